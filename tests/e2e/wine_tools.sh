#!/bin/bash
# Tree-mode tools of the Windows build under Wine: speed search, help,
# printing to LPT1 (a dosdevices link to a file) and deleting a directory
# from KS.DAT.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/prog"
tools_fixture K "$T/k" "$T/prog/KS.DAT"
cp "$KS95_BIN" "$T/prog/ks95.exe"
: >"$T/lpt1"

wine_setup
wine_map_drive K "$T/k"
rm -f "$WINEPREFIX/dosdevices/lpt1"
ln -s "$T/lpt1" "$WINEPREFIX/dosdevices/lpt1"

# Start on K:\ so that drive K is the one shown.
printf 'K:\r\ncd \\\r\nZ:%s\\prog\\ks95.exe =ks95\r\n' "$(echo "$T" | tr / '\\')" >"$T/run.bat"
tmux_start tools wine cmd /c "Z:$(echo "$T" | tr / '\\')\\run.bat"
tmux_wait "Kestrin 95 v1.00" 60
tmux_wait "5 dirs" 30

tmux_keys w
tmux_wait " Speed Search: W"
tmux_wait "K:\\WINDOWS"
tmux_keys o
tmux_wait " Speed Search: WO"
tmux_wait "K:\\WORK"
tmux_keys Escape
tmux_wait "Kestrin 95 v1.00"

tmux_keys F1
tmux_wait "Key             Action"
tmux_keys Up
tmux_wait "Kestrin 95 v1.00"
tmux_wait "K:\\WORK"

check_print_and_delete K "$T/lpt1" "$T/prog/KS.DAT"

tmux_keys Escape
tmux_wait_exit 30
echo "PASS [$E2E_NAME]"
