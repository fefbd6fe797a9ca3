#!/bin/bash
# Scanning under Wine: "/sD" from the command line prints its lines and
# writes D in tree order before the old drive E; in tree mode F2, D, Enter
# shows the running count and then the new tree.  A hidden directory and a
# link back to the drive's root are left out.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
W=$(echo "$T" | tr / '\\')
mkdir -p "$T/d/APPS/EDIT/OLD" "$T/d/APPS OLD" "$T/d/games" "$T/d/TEMP" \
  "$T/d/.hidden/x" "$T/e" "$T/prog"
ln -s "$T/d" "$T/d/APPS/loop"
: >"$T/d/APPS/file.txt"
# Enough directories that the count is on screen for a while.
python3 -c 'import os, sys
for i in range(2000):
    os.makedirs(os.path.join(sys.argv[1], "g%04d" % i))' "$T/d/games"
cp "$KS95_BIN" "$T/prog/ks95.exe"
printf 'D:\\*01.02.2020 08:00:00\r\nD:\\GONE\r\nE:\\*01.02.2020 08:00:00\r\nE:\\OLD\r\n' \
  >"$T/prog/KS.DAT"

wine_setup
wine_map_drive E "$T/e"
wine_map_drive D "$T/d"

expect_d() {
  local oracle="$KS95_SOURCE_DIR/tests/e2e/scan_oracle.py"
  find "$T/d" -mindepth 1 -name '.*' -prune -o -type d -print0 |
    python3 "$oracle" expect D "$T/d" >"$T/want"
  python3 "$oracle" lines D "$T/prog/KS.DAT" >"$T/got"
  cmp -s "$T/want" "$T/got" || fail "$1: D's lines in KS.DAT: $(head -c 300 "$T/got" | cat -A)"
  [ "$(head -n 7 "$T/got" | od -An -tx1)" = "$(printf 'D:\\APPS\r\nD:\\APPS\\EDIT\r\nD:\\APPS\\EDIT\\OLD\r\nD:\\APPS OLD\r\nD:\\games\r\nD:\\games\\g0000\r\nD:\\games\\g0001\r\n' | od -An -tx1)" ] ||
    fail "$1: D does not begin in tree order"
  [ "$(wc -l <"$T/got")" = 2006 ] || fail "$1: D does not hold 2006 directories"
  [ "$(grep -a '^E:' "$T/prog/KS.DAT" | od -An -tx1)" = \
    "$(printf 'E:\\*01.02.2020 08:00:00\r\nE:\\OLD\r\n' | od -An -tx1)" ] || fail "$1: E not copied"
  [ "$(head -c 4 "$T/prog/KS.DAT")" = 'D:\*' ] || fail "$1: D is not first"
  grep -aq '^D:\\\*01\.02\.2020' "$T/prog/KS.DAT" && fail "$1: D keeps its old stamp"
  return 0
}

printf 'D:\r\nZ:%s\\prog\\ks95.exe =ks95 /sDq\r\necho done %%ERRORLEVEL%%\r\n' "$W" >"$T/cmd.bat"
tmux_start scan wine cmd /c "Z:$W\\cmd.bat"
tmux_wait "done 0" 60
tmux_screen | grep -q "^Scanning drive D:$" || fail "no scanning line for D"
tmux_screen | grep -q "^1 drive(s) scanned$" || fail "no count line"
expect_d "/sD"
tmux -L "$TMUX_SOCKET" kill-server
TMUX_SOCKET=

# Tree mode: put the old D back and rescan it with F2.
printf 'D:\\*01.02.2020 08:00:00\r\nD:\\GONE\r\nE:\\*01.02.2020 08:00:00\r\nE:\\OLD\r\n' \
  >"$T/prog/KS.DAT"
printf 'D:\r\nZ:%s\\prog\\ks95.exe =ks95\r\n' "$W" >"$T/tree.bat"
tmux_start scantree wine cmd /c "Z:$W\\tree.bat"
tmux -L "$TMUX_SOCKET" pipe-pane -o -t main "cat >>'$T/pane.log'"
tmux_wait "Kestrin 95 v1.00" 60
tmux_wait "GONE" 30
tmux_keys F2
tmux_wait "Enter drives to scan:" 30
# A letter typed twice is taken once.  (Not Z: under Wine it is the host's
# root, present, and scanning it would walk the whole machine.)
tmux_keys d d
tmux_wait "Enter drives to scan: D" 30
tmux_screen | grep -q "Enter drives to scan: D$" || fail "prompt: $(tmux_screen | tail -1)"
tmux_keys Enter
tmux_wait "APPS OLD" 60
tmux_screen | grep -q "GONE" && fail "old tree still shown"
grep -aq "Directories:" "$T/pane.log" || fail "the running count was never shown"
expect_d "F2"
tmux_keys Escape
tmux_wait_exit 30
echo "PASS [$E2E_NAME]"
