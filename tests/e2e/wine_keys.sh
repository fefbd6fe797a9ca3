#!/bin/bash
# Keys typed into Wine's terminal console reach the key reader as the key
# codes tree mode acts on: the key-echo tool shows one code per row and
# writes them all to a file when Q ends it.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
wine_setup
cd "$tmp"

# tmux key name, then the code it must produce.
keys=(
  "${KEYS_COMMON[@]}"
  Escape 27
  Q 81
)

# Each key is read before the next is sent: an Esc must not run into the
# following sequence.  Wine answers more slowly than a terminal.
E2E_WAIT=20
tmux_start keys wine "$KS95_BUILD_DIR/key_echo.exe" codes.txt
tmux_wait "key-echo ready" 60

send_key_table
tmux_wait_exit 30

shown=$(tmux_screen | sed -n 's/^key \(-\?[0-9]*\).*/\1/p')
[ -f codes.txt ] || fail "the tool wrote no codes file"
# The last row can be overwritten by the exit; the rows before Q must match.
check_key_codes "$(tr -d '\r' < codes.txt)" "$shown"
echo "PASS [$E2E_NAME]: ${#expected[@]} keys"
