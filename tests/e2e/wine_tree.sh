#!/bin/bash
# Tree mode under Wine through KS.BAT: the tree starts on the start-up
# directory (drawn yellow), the movement keys and Tab reach the expected
# entries, and Enter leaves cmd.exe in the chosen directory.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

T=$(e2e_tmpdir)
wine_setup
mkdir -p "$T/d/ks"
tree_fixture "$T" "$T/d/ks/KS.DAT" ks
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$T/d/ks/"
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
check_startup_yellow
tmux_screen | grep -q '^DEZ\|^CDEZ' || fail "drive letters: $(tmux_screen | head -1)"

step Down 'D:\work\src'
step C-Up 'D:\many\m30'
step C-Down 'D:\work\src'
step Left 'D:\work'
raw_step "$HOME_KEY" 'D:\ (Scanned 01.12.2026)'
step NPage 'D:\many\m19'
tree_steps_to_music raw_step "$END_KEY"
tmux_wait_exit 30
[ -f "$T/d/result.txt" ] || fail "cmd.exe wrote no result"
got=$(tr -d '\r\n' < "$T/d/result.txt")
[ "$got" = 'E:\music' ] || fail "cmd.exe ended in '$got'"
echo "PASS [$E2E_NAME]"
