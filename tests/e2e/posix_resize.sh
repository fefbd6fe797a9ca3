#!/bin/bash
# The terminal changes size under tree mode, the help screen and the
# chooser: each is drawn again for the new size with the selection on
# screen.  In a 60-column pane beside another one the status row stays
# whole, and a deep path keeps its end.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

T=$(cd "$(e2e_tmpdir)" && pwd -P)
deep="a folder with a long name/another folder with a long name/target"
mkdir -p "$T/home" "$T/d/$deep"
for i in $(seq -w 1 30); do mkdir -p "$T/d/m$i"; done
export KS95_DRIVES="D=$T/d" KS95_HOME="$T/home" KS95_CDFILE="$T/cd"
"$KS95_BIN" =ks95 /sD > /dev/null || fail "scan of D failed"

tmx() { tmux -L "$TMUX_SOCKET" "$@"; }
size() { tmx resize-window -t main -x "$1" -y "$2"; }
line() { tmux_screen | sed -n "$1p" | sed 's/ *$//'; }
# Waits until screen line $1 reads $2 (trailing blanks aside).
wait_line() {
  local i=0
  while [ "$(line "$1")" != "$2" ]; do
    [ "$i" -lt 200 ] || fail "line $1 is '$(line "$1")', expected '$2'"
    sleep 0.05
    i=$((i + 1))
  done
}

# Polls until the command succeeds: after a resize the terminal first shows
# the old rows moved up, and the new frame arrives a moment later.
eventually() {
  local what=$1 i=0
  shift
  until "$@"; do
    [ "$i" -lt 200 ] || fail "$what"
    sleep 0.05
    i=$((i + 1))
  done
}
selection_shown() { tmux_screen | sed -n 2,14p | grep -q '─m20$'; }

# Tree mode, started in m20: larger, then smaller than the selection's row.
tmux_start tree bash -c "cd '$T/d/m20' && exec '$KS95_BIN' =ks95"
tmx set-option -g window-size manual > /dev/null
tmux_wait "Kestrin 95 v1.00"
wait_line 25 " F1: Help │ D:\\m20"
size 120 40
wait_line 40 " F1: Help │ D:\\m20"
[ "$(tmux_screen | sed -n 1p | cut -c70-76)" = "34 dirs" ] || fail "count moved: $(line 1)"
wait_line 35 "└─m30"  # all 34 entries on screen
size 60 15
wait_line 15 " F1: Help │ D:\\m20"
eventually "the selection left the screen" selection_shown

# Help: smaller, then larger, closed by a key at the larger size.
tmux_keys F1
tmux_wait "Cursor keys"
size 60 12
tmux_wait "Cursor keys     Navigate tree with ↑ ↓ PageUp PageDn Home En"
[ "$(tmux_screen | wc -l)" = 12 ] || fail "help is not 12 rows"
size 100 30
tmux_wait "A quick way to change directory"
tmux_keys Escape
wait_line 30 " F1: Help │ D:\\m20"

# A 60-column pane beside another one, and a path too long for it.
size 80 25
tmx split-window -d -h -b -l 19 -t main "sleep 600"
tmux_keys Home Down Down Down
wait_line 25 " F1: Help │ D:\\..name\\another folder with a long name\\target"
tmux_keys Escape
tmux_wait_exit
tmx kill-server
TMUX_SOCKET=

# The chooser: smaller, then larger; Enter takes the selection.
tmux_start chooser bash -c "cd '$T/d' && exec '$KS95_BIN' =ks95 m"
tmx set-option -g window-size manual > /dev/null
tmux_wait "Partial: 30"
tmux_keys Down Down Down Down Down Down Down Down Down Down Down
size 60 15
tmux_wait "Exact: 0  Partial: 30"
line 1 | grep -q '^ ╔═' || fail "the box does not start at the top: $(line 1)"
line 15 | grep -q '╝$' || fail "the box's foot is off: $(line 15)"
tmux_screen | grep -q 'D:\\m12' || fail "the selection left the box"
size 100 30
tmux_wait "Cursor: ↑ ↓  Select: Enter  Quit: Esc  Exact: 0    Partial: 30"
tmux_keys Enter
tmux_wait_exit
grep -q "/d/m12'" "$T/cd" || fail "Enter went to: $(cat "$T/cd")"
echo "PASS [$E2E_NAME]"
