#!/bin/bash
# The jump under Wine through KS.BAT in cmd.exe: one match moves the shell
# at once; several bring up the chooser, where Down and Enter pick the
# second; `KS ?` prints the option list.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
wine_setup
d="$tmp/d"
mkdir -p "$d/KS"
jump_fixture "$d"
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$d/KS/"
jump_scan_lines 'D:\KS' > "$d/KS/KS.DAT"
wine_map_drive D "$d"

printf '%s\r\n' '@echo off' 'D:' 'cd \' \
  'call D:\KS\KS.BAT target' 'cd > D:\one.txt' \
  'call D:\KS\KS.BAT multi' 'cd > D:\two.txt' \
  'call D:\KS\KS.BAT ?' 'echo ALL DONE' > "$d/run.bat"

cd "$d"
tmux_start jump wine cmd /c 'D:\run.bat'
tmux_wait "Kestrin 95 v1.00" 90
tmux_wait "Exact: 2"
# Keys typed before the program first reads the console reach Wine's
# terminal in line mode and are echoed instead of queued: give the chooser
# time to start its key loop after the box shows.
sleep 1
tmux_keys Down Enter
tmux_wait "ALL DONE" 60
tmux_wait_exit 30

[ "$(tr -d '\r\n' < "$d/one.txt")" = 'D:\ALPHA\TARGET' ] ||
  fail "one match: ended in $(cat "$d/one.txt")"
[ "$(tr -d '\r\n' < "$d/two.txt")" = 'D:\GAMMA\MULTI' ] ||
  fail "chooser: ended in $(cat "$d/two.txt")"
check_option_list
echo "PASS [$E2E_NAME]"
