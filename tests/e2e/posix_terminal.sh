#!/usr/bin/env bash
# The terminal console in a real terminal: code page 437 frames, arrows and
# UTF-8 names show as themselves, colours land on the right ANSI numbers, and
# the terminal comes back exactly as it was (mode, normal screen, cursor)
# after a normal end, after SIGINT and around Ctrl-Z.
. "$(dirname "$0")/lib.sh"

tmp=$(e2e_tmpdir)
tool="$KS95_BUILD_DIR/term_frame"

pane() { tmux -L "$TMUX_SOCKET" display-message -p -t main "$1"; }
expect_pane() {  # FORMAT VALUE WHAT
  [ "$(pane "$1")" = "$2" ] || fail "$3 ($1 is $(pane "$1"))"
}
expect_screen() {
  tmux_screen | grep -qF -- "$1" || fail "not on screen: $1"
}
same_mode() {  # FILE WHEN
  diff "$tmp/stty.before" "$1" >/dev/null ||
    fail "terminal mode differs $2: $(diff "$tmp/stty.before" "$1" | tr '\n' ' ')"
  grep -qE '(^| )icanon( |$)' "$1" && grep -qE '(^| )echo( |$)' "$1" ||
    fail "not in cooked mode $2"
}

cat >"$tmp/run.sh" <<RUN
stty -a > "$tmp/stty.before"
"$tool"
stty -a > "$tmp/stty.normal"
echo "== second run"
read -r go
bash -c 'echo \$\$ > "$tmp/pid"; exec "$tool"'
stty -a > "$tmp/stty.int"
echo "== all done"
exec sleep 600
RUN

tmux_start terminal bash "$tmp/run.sh"
tmux_wait "moves: 0"
expect_pane '#{alternate_on}' 1 "the frame is not on the alternate screen"
expect_pane '#{cursor_flag}' 0 "the cursor shows while drawing"
expect_screen "╔════"
expect_screen "════╗"
expect_screen "════╝"
expect_screen "║ ├── WORK"
expect_screen "│  ├── Grüße"
expect_screen "│  ├── 日本語"
expect_screen "│  └── café "
expect_screen "└── TEMP"
expect_screen "↑↓ move  ←→ drive"
# The frame's right edge stays in its column after a wide name.
tmux_screen | grep -qxF "║ │  ├── 日本語$(printf '%30s' '')║" ||
  fail "the frame edge moved on the row of the wide name"

tmux_keys Down
tmux_wait "moves: 1"
# The bar is black on cyan (ANSI 46), the other rows are on blue (44).
rows=$(tmux -L "$TMUX_SOCKET" capture-pane -e -p -t main)
echo "$rows" | grep -F 'WORK' | grep -qF '46m' || fail "the bar is not on cyan"
echo "$rows" | grep -F 'WORK' | grep -qF '44m' || fail "the rows are not on blue"
echo "$rows" | grep -qF '41m' && fail "blue came out red"
echo "$rows" | grep -F 'C:\' | grep -qF '46m' && fail "the bar stayed on its old row"
tmux_keys Up Down Down
tmux_wait "moves: 4"
expect_screen "│  ├── Grüße"

tmux_keys q
tmux_wait "== second run"
same_mode "$tmp/stty.normal" "after a normal end"
expect_screen "term-frame done"
expect_pane '#{alternate_on}' 0 "the alternate screen is still on after the end"
expect_pane '#{cursor_flag}' 1 "the cursor is still hidden after the end"
tmux_keys Enter
tmux_wait "moves: 0"
expect_pane '#{alternate_on}' 1 "the second run is not on the alternate screen"
kill -INT "$(cat "$tmp/pid")"
tmux_wait "== all done"
same_mode "$tmp/stty.int" "after SIGINT"
expect_pane '#{alternate_on}' 0 "SIGINT left the alternate screen on"
expect_pane '#{cursor_flag}' 1 "SIGINT left the cursor hidden"
tmux -L "$TMUX_SOCKET" kill-server

# Ctrl-Z in a shell with job control: the shell gets its screen and mode
# back; fg redraws everything.
tmux_start suspend bash --norc --noprofile -i
tmux_keys "PS1='ready> '; stty -a > '$tmp/stty.before'" Enter
tmux_wait "ready>"
tmux_keys "$tool" Enter
tmux_wait "moves: 0"
tmux_keys Down
tmux_wait "moves: 1"
tmux_keys C-z
tmux_wait "Stopped"
expect_pane '#{alternate_on}' 0 "stopped, the alternate screen is still on"
tmux_keys "clear; stty -a > '$tmp/stty.stopped'; fg" Enter
tmux_wait "moves: 1"
expect_screen "│  ├── Grüße"
expect_screen "════╗"
expect_pane '#{alternate_on}' 1 "fg did not take the full screen again"
tmux_keys Down
tmux_wait "moves: 2"
tmux_keys q
tmux_wait "term-frame done"
same_mode "$tmp/stty.stopped" "while stopped"
tmux_keys "stty -a > '$tmp/stty.end'; echo saved" Enter
tmux_wait "saved"
same_mode "$tmp/stty.end" "after the end"

# An eight-colour terminal with 64 colour pairs still gets the colours.
tmux_keys "clear; TERM=xterm '$tool'" Enter
tmux_wait "moves: 0"
tmux_keys Down
tmux_wait "moves: 1"
rows=$(tmux -L "$TMUX_SOCKET" capture-pane -e -p -t main)
echo "$rows" | grep -F 'WORK' | grep -qF '46m' || fail "8 colours: the bar is not on cyan"
echo "$rows" | grep -F 'C:\' | grep -qF '44m' || fail "8 colours: the rows are not on blue"
tmux_keys q
tmux_wait "term-frame done"

# A command-line scan polls for Esc without drawing: the keys are read one by
# one, unechoed, and the terminal stays on its normal screen.
tmux_keys "clear; '$tool' poll; stty -a > '$tmp/stty.poll'; echo polled" Enter
tmux_wait "polling"
expect_pane '#{alternate_on}' 0 "polling took the full screen"
tmux_keys x
tmux_wait "key 120"
tmux_keys Escape
tmux_wait "got Esc after polling"
tmux_wait "polled"
tmux_screen | grep -qF '^[' && fail "the Esc was echoed"
tmux_screen | grep -qx 'x' && fail "the x was echoed"
same_mode "$tmp/stty.poll" "after polling"
echo "PASS [$E2E_NAME]"
