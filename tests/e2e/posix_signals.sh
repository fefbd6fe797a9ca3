# Signals that end the program, other than the usual four, give the
# terminal back (mode, main screen) in tree mode and in the chooser; a
# SIGPIPE is no silent death; a name's escape sequence prints as text.
: "${KS95_SOURCE_DIR:?}" "${KS95_BIN:?}"
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
tree="$tmp/tree" home="$tmp/home"
mkdir -p "$tree/win1" "$tree/win2" "$home"
export KS95_DRIVES="D=$tree" KS95_HOME="$home" KS95_CDFILE="$tmp/cd.sh"
"$KS95_BIN" =ks95 /sD >/dev/null </dev/null || fail "first scan failed"

cat >"$tmp/run.sh" <<SCRIPT
stty -a >"$tmp/before"
echo MAIN-SCREEN
cd "$tree"
sh -c 'echo \$\$ >"$tmp/pid"; exec "\$0" =ks95 "\$@"' "$KS95_BIN" "\$@"
echo \$? >"$tmp/rc"
stty -a >"$tmp/after"
echo DONE
SCRIPT

# run MODE SIGNAL STATUS: the program in MODE ("tree" or "chooser") gets
# SIGNAL; STATUS is how it must end (a PIPE leaves it running until Esc).
run() {
  local mode=$1 sig=$2 want=$3 args=()
  [ "$mode" = chooser ] && args=(win)
  rm -f "$tmp/rc" "$tmp/pid"
  tmux_start "$mode$sig" bash --norc --noprofile "$tmp/run.sh" "${args[@]}"
  tmux_wait "Kestrin 95 v1.00"
  kill -"$sig" "$(cat "$tmp/pid")"
  if [ "$sig" = PIPE ]; then
    sleep 0.3
    kill -0 "$(cat "$tmp/pid")" 2>/dev/null || fail "$mode: SIGPIPE ended the program"
    tmux_keys Escape
  fi
  tmux_wait DONE
  [ "$(cat "$tmp/rc")" = "$want" ] || fail "$mode: SIG$sig ended with status $(cat "$tmp/rc")"
  diff "$tmp/before" "$tmp/after" >&2 || fail "$mode: SIG$sig left the terminal mode changed"
  [ "$(tmux -L "$TMUX_SOCKET" display-message -p -t main '#{alternate_on}')" = 0 ] ||
    fail "$mode: SIG$sig left the alternate screen on"
  tmux -L "$TMUX_SOCKET" capture-pane -p -S -100 -t main | grep -q MAIN-SCREEN &&
    ! tmux_screen | grep -q 'Kestrin 95' || fail "$mode: SIG$sig did not bring the main screen back"
  tmux -L "$TMUX_SOCKET" kill-server
}
for mode in tree chooser; do
  run "$mode" USR1 $((128 + $(kill -l USR1)))
  run "$mode" ALRM $((128 + $(kill -l ALRM)))
  run "$mode" PIPE 0
done

# A name whose bytes would set the terminal's title prints as text.
evil=$'x\e]0;PWNED\a'
mkdir "$tree/$evil"
tmux_start escape sh -c "cd '$tree/$evil' && '$KS95_BIN' =ks95 /a; echo DONE; sleep 30"
tmux_wait DONE
tmux_screen | grep -qF 'Scan file updated with D:\x^[]0;PWNED^G' ||
  fail "the name's escape sequence was not shown as text"
[ "$(tmux -L "$TMUX_SOCKET" display-message -p -t main '#{pane_title}')" != PWNED ] ||
  fail "the name set the terminal's title"
# Into a file the bytes go unchanged.
(cd "$tree/$evil" && "$KS95_BIN" =ks95 /a </dev/null >"$tmp/out") || true
grep -qF "$evil" "$tmp/out" || fail "a file did not get the name's bytes unchanged"
echo "PASS [$E2E_NAME]"
