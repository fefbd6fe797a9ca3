#!/bin/bash
# F2 in a real terminal: the prompt takes the drive letter, the status line
# shows the running count, and the rescanned tree replaces the old one; C,
# not chosen, is written back unchanged.  Then "/sD" from the command line
# prints its two lines.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/d/APPS/EDIT/OLD" "$T/d/APPS OLD" "$T/d/games" "$T/d/TEMP" \
  "$T/d/.hidden/x" "$T/c" "$T/home"
ln -s "$T/d" "$T/d/APPS/loop"
# Big enough that the scan outlasts the terminal's redraw interval.
python3 -c 'import os, sys
for i in range(1, 3001):
    for s in "ab":
        os.makedirs(os.path.join(sys.argv[1], "t%d" % i, s))' "$T/d/TEMP"
printf 'C:\\*01.02.2020 08:00:00\r\nC:\\OLD\r\nD:\\*01.02.2020 08:00:00\r\nD:\\GONE\r\n' \
  >"$T/home/KS.DAT"
export KS95_DRIVES="C=$T/c;D=$T/d" KS95_HOME="$T/home" KS95_CDFILE="$T/cd.sh"

oracle="$KS95_SOURCE_DIR/tests/e2e/scan_oracle.py"
expect_file() {
  find "$T/d" -mindepth 1 -name '.*' -prune -o -type d -print0 |
    python3 "$oracle" expect D "$T/d" >"$T/want"
  python3 "$oracle" lines D "$T/home/KS.DAT" >"$T/got"
  cmp -s "$T/want" "$T/got" || fail "$1: D's lines differ from the tree"
  [ "$(wc -l <"$T/got")" = 9006 ] || fail "$1: D does not hold 9006 directories"
  [ "$(head -c 37 "$T/home/KS.DAT" | od -An -tx1)" = \
    "$(printf 'C:\\*01.02.2020 08:00:00\r\nC:\\OLD\r\nD:\\*' | od -An -tx1)" ] ||
    fail "$1: C not copied ahead of D's new root line"
  grep -aq "GONE\|loop\|hidden" "$T/home/KS.DAT" && fail "$1: old, linked or hidden entries kept"
  return 0
}

cd "$T/d"
tmux_start scantree "$KS95_BIN" =ks95
tmux -L "$TMUX_SOCKET" pipe-pane -o -t main "cat >>'$T/pane.log'"
tmux_wait "Kestrin 95 v1.00"
tmux_wait "GONE"
tmux_keys F2
tmux_wait " Enter drives to scan:"
tmux_keys x d d
tmux_wait " Enter drives to scan: D"
tmux_screen | grep -q "scan: DD\|scan: X" && fail "repeated or absent letter echoed"
tmux_keys Enter
tmux_wait "APPS OLD"
tmux_wait "games"
tmux_screen | grep -q "GONE" && fail "the old tree is still shown"
grep -aq "Directories:" "$T/pane.log" || fail "the running count was never shown"
expect_file F2
tmux_keys Escape
tmux_wait_exit

# The command line prints its lines; the file comes out the same.
printf 'C:\\*01.02.2020 08:00:00\r\nC:\\OLD\r\nD:\\*01.02.2020 08:00:00\r\nD:\\GONE\r\n' \
  >"$T/home/KS.DAT"
out=$("$KS95_BIN" =ks95 /sdz </dev/null | tr -d '\r')
# Z is in no drive map: the scan goes on and then says so.
[ "$out" = "Scanning drive D:
1 drive(s) scanned
Drive Z: is not mapped in KS95_DRIVES=\"C=$T/c;D=$T/d\"" ] || fail "/sD printed: $out"
expect_file "/sD"
echo "PASS [$E2E_NAME]"
