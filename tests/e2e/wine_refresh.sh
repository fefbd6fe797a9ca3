#!/bin/bash
# Under Wine through KS.BAT: a folder made after the scan is reached by
# `KS name` with no manual rescan; with KS95_REFRESH=off it is not found.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
wine_setup
d="$tmp/d"
mkdir -p "$d/KS" "$d/OLD"
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$d/KS/"
wine_map_drive D "$d"

printf '%s\r\n' '@echo off' 'D:' 'cd \' \
  'call D:\KS\KS.BAT /sD > nul' 'mkdir D:\OLD\NEWPROJ' \
  'call D:\KS\KS.BAT newproj' 'cd > D:\one.txt' 'cd \' 'mkdir D:\LATER' \
  'set KS95_REFRESH=off' 'call D:\KS\KS.BAT later > D:\off.txt' 'cd > D:\two.txt' \
  'echo done> D:\done.txt' > "$d/run.bat"

cd "$d"
tmux_start refresh wine cmd /c 'D:\run.bat'
# Wine's terminal may repaint the pane without the batch's last lines once a
# redirected run has restored the screen: the batch's end is told by a file.
for _ in $(seq 900); do [ -e "$d/done.txt" ] && break; sleep 0.1; done
[ -e "$d/done.txt" ] || fail "the batch did not finish"
tmux_wait_exit 30

[ "$(tr -d '\r\n' < "$d/one.txt")" = 'D:\OLD\NEWPROJ' ] ||
  fail "refresh: ended in $(cat "$d/one.txt")"
grep -qF 'D:\OLD\NEWPROJ' "$d/KS/KS.DAT" || fail "KS.DAT lacks the new folder"
[ "$(tr -d '\r\n' < "$d/two.txt")" = 'D:\' ] ||
  fail "refresh off: ended in $(cat "$d/two.txt")"
grep -qF '"LATER" not found.' "$d/off.txt" || fail "refresh off said: $(cat "$d/off.txt")"
grep -qF 'D:\LATER' "$d/KS/KS.DAT" && fail "refresh off rescanned"
echo "PASS [$E2E_NAME]"
