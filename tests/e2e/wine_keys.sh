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
  BTab -15
  C-Up -141
  C-Down -145
  DC -83
  C-DC -255
  F1 -59
  F2 -60
  S-F2 -85
  M-x -45
  M-n -49
  M-p -25
  a 65
  Escape 27
  Q 81
)

# Each key is read before the next is sent: an Esc must not run into the
# following sequence.  Wine answers more slowly than a terminal.
E2E_WAIT=20
tmux_start keys wine "$KS95_BUILD_DIR/key_echo.exe" codes.txt
tmux_wait "key-echo ready" 60

expected=()
n=0
for ((i = 0; i < ${#keys[@]}; i += 2)); do
  tmux_keys "${keys[i]}"
  expected+=("${keys[i + 1]}")
  n=$((n + 1))
  if [ "${keys[i]}" != Q ]; then
    wait_rows "$n"
  fi
done
tmux_wait_exit 30

shown=$(tmux_screen | sed -n 's/^key \(-\?[0-9]*\).*/\1/p')
want=$(printf '%s\n' "${expected[@]}")
[ -f codes.txt ] || fail "the tool wrote no codes file"
written=$(tr -d '\r' < codes.txt)
for ((i = 0; i < ${#expected[@]}; i++)); do
  got=$(echo "$written" | sed -n "$((i + 1))p")
  [ "$got" = "${expected[i]}" ] ||
    fail "key ${keys[2 * i]}: code '$got', expected ${expected[i]}"
done
[ "$written" = "$want" ] || fail "codes file differs: $(echo $written)"
# The last row can be overwritten by the exit; the rows before Q must match.
[ "$(echo "$shown" | head -n $((n - 1)))" = "$(echo "$want" | head -n $((n - 1)))" ] ||
  fail "codes on screen differ: $(echo $shown)"
echo "PASS [$E2E_NAME]: ${#expected[@]} keys"
