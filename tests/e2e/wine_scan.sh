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
cp "$KS95_BIN" "$T/prog/ks95.exe"
printf 'D:\\*01.02.2020 08:00:00\r\nD:\\GONE\r\nE:\\*01.02.2020 08:00:00\r\nE:\\OLD\r\n' \
  >"$T/prog/KS.DAT"

wine_setup
wine_map_drive E "$T/e"
wine_map_drive D "$T/d"

expect_d() {
  local got want
  got=$(grep -a '^D:' "$T/prog/KS.DAT" | tail -n +2 | od -An -tx1)
  want=$(printf 'D:\\APPS\r\nD:\\APPS\\EDIT\r\nD:\\APPS\\EDIT\\OLD\r\nD:\\APPS OLD\r\nD:\\games\r\nD:\\TEMP\r\n' | od -An -tx1)
  [ "$got" = "$want" ] || fail "$1: D's lines in KS.DAT: $(grep -a '^D:' "$T/prog/KS.DAT" | cat -A)"
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
tmux_keys d z d
tmux_wait "Enter drives to scan: D" 30
tmux_keys Enter
tmux_wait "APPS OLD" 60
tmux_screen | grep -q "GONE" && fail "old tree still shown"
grep -aq "Directories:" "$T/pane.log" || fail "the running count was never shown"
expect_d "F2"
tmux_keys Escape
tmux_wait_exit 30
echo "PASS [$E2E_NAME]"
