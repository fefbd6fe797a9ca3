#!/usr/bin/env bash
# Keys typed into a terminal (tmux's own sequences) reach the key reader as
# the key codes tree mode acts on: the key-echo tool shows one code per row
# and writes them all to a file when Q ends it.
. "$(dirname "$0")/lib.sh"

tmp=$(e2e_tmpdir)
cd "$tmp"

# tmux key name, then the code it must produce.
keys=(
  "${KEYS_COMMON[@]}"
  Up -72
  PPage -73
  End -79
  Tab 9
  BSpace 8
  Enter 13
  '!' 33
  Escape 27
  Q 81
)

# Each key is read before the next is sent: an Esc must stand alone for its
# delay.
tmux_start keys "$KS95_BUILD_DIR/key_echo" codes.txt
tmux_wait "key-echo ready"

# The full screen goes with the tool: read the rows before the last key.
KEYS_SHOWN_BEFORE_Q=1 send_key_table
tmux_wait_exit

[ -f codes.txt ] || fail "the tool wrote no codes file"
# Each code was on screen before the next key went out.
check_key_codes "$(cat codes.txt)" "$shown"

# Once no key can come any more, waiting for one ends the program with exit
# code 0 instead of waiting for ever (no terminal at all: setsid).
status=0
setsid -w timeout 10 "$KS95_BUILD_DIR/key_echo" </dev/null >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "waiting for a key at the end of input: status $status"
printf 'a\033[Bq' | setsid -w timeout 10 "$KS95_BUILD_DIR/key_echo" piped.txt >/dev/null 2>&1 ||
  fail "piped keys: status $?"
[ "$(cat piped.txt 2>/dev/null)" = "$(printf '65\n-80\n81')" ] ||
  fail "piped keys: $(cat piped.txt 2>/dev/null | tr '\n' ' ')"
echo "PASS [$E2E_NAME]: ${#expected[@]} keys"
