#!/bin/bash
# Tree mode under Wine through KS.BAT: the tree starts on the start-up
# directory (drawn yellow), the movement keys and Tab reach the expected
# entries, and Enter leaves cmd.exe in the chosen directory.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

T=$(e2e_tmpdir)
wine_setup
mkdir -p "$T/d/ks" "$T/d/apps" "$T/d/work/src/deep" "$T/d/zeta" "$T/e/docs" "$T/e/music"
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$T/d/ks/"
{
  printf 'D:\\*01.12.2026\nD:\\apps\nD:\\ks\nD:\\many\n'
  for i in $(seq -w 1 30); do printf 'D:\\many\\m%s\n' "$i"; mkdir -p "$T/d/many/m$i"; done
  printf 'D:\\work\nD:\\work\\src\nD:\\work\\src\\deep\nD:\\zeta\n'
  printf 'E:\\*02.12.2026\nE:\\docs\nE:\\music\n'
} | sed 's/$/\r/' > "$T/d/ks/KS.DAT"
wine_map_drive D "$T/d"
wine_map_drive E "$T/e"
printf '@echo off\r\nD:\r\ncd \\work\r\ncall D:\\ks\\KS.BAT\r\ncd > D:\\result.txt\r\n' > "$T/d/run.bat"

E2E_WAIT=20  # Wine is slower to answer
# Wine's console reads Home and End only in their xterm forms, which tmux
# does not send for the key names inside its own terminal.
HOME_KEY=$'\e[H'
END_KEY=$'\e[F'
raw_step() { tmux_keys -l "$1"; wait_status "$2"; }

cd "$T"
tmux_start tree wine cmd /c 'D:\run.bat'
tmux_wait "Kestrin 95 v1.00" 60
wait_status 'D:\work'
# The start-up directory is yellow (under the cursor bar: on magenta).
row=$(tmux -L "$TMUX_SOCKET" capture-pane -p -e -t main | grep -a 'work' | head -1)
case "$row" in
  *'[93m'*work* | *'[1;33m'*work* | *'[33;1m'*work*) ;;
  *) fail "start-up directory not yellow: $(printf '%s' "$row" | cat -v)" ;;
esac
tmux_screen | grep -q '^DEZ\|^CDEZ' || fail "drive letters: $(tmux_screen | head -1)"

step Down 'D:\work\src'
step C-Up 'D:\many\m30'
step C-Down 'D:\work\src'
step Left 'D:\work'
raw_step "$HOME_KEY" 'D:\ (Scanned 01.12.2026)'
step NPage 'D:\many\m19'
step NPage 'D:\zeta'
step PPage 'D:\many\m12'
step PPage 'D:\ (Scanned 01.12.2026)'
raw_step "$END_KEY" 'D:\zeta'
step Tab 'E:\ (Scanned 02.12.2026)'
step BTab 'D:\zeta'
step Tab 'E:\ (Scanned 02.12.2026)'
step Down 'E:\docs'
step Right 'E:\music'
tmux_keys Enter
tmux_wait_exit 30
[ -f "$T/d/result.txt" ] || fail "cmd.exe wrote no result"
got=$(tr -d '\r\n' < "$T/d/result.txt")
[ "$got" = 'E:\music' ] || fail "cmd.exe ended in '$got'"
echo "PASS [$E2E_NAME]"
