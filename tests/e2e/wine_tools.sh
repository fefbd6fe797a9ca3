#!/bin/bash
# Tree-mode tools of the Windows build under Wine: speed search, help,
# printing to LPT1 (a dosdevices link to a file) and deleting a directory
# from KS.DAT.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/k/APPS/EDIT" "$T/k/WINDOWS" "$T/k/WORK" "$T/prog"
cp "$KS95_BIN" "$T/prog/ks95.exe"
printf 'K:\\*01.02.2020 08:00:00\r\nK:\\APPS\r\nK:\\APPS\\EDIT\r\nK:\\WINDOWS\r\nK:\\WORK\r\n' \
  >"$T/prog/KS.DAT"
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

tmux_keys M-p
tmux_wait "Print tree to LPT (1,2,3):"
tmux_keys 1
tmux_wait "Kestrin 95 v1.00"
i=0
while [ "$i" -lt 200 ] && ! grep -q $'\f' "$T/lpt1"; do sleep 0.05; i=$((i + 1)); done
expected=$(printf 'K:\\\r\n\303\304APPS\r\n\263 \300\304EDIT\r\n\303\304WINDOWS\r\n\300\304WORK\r\n\f' | od -An -tx1)
actual=$(od -An -tx1 <"$T/lpt1")
[ "$expected" = "$actual" ] || fail "printed bytes differ: $actual"

tmux_keys DC
tmux_wait "Delete WORK from scan file (y/n) ?"
tmux_keys y
tmux_wait "4 dirs"
expected=$(printf 'K:\\*01.02.2020 08:00:00\r\nK:\\APPS\r\nK:\\APPS\\EDIT\r\nK:\\WINDOWS\r\n' | od -An -tx1)
actual=$(od -An -tx1 <"$T/prog/KS.DAT")
[ "$expected" = "$actual" ] || fail "KS.DAT after the deletion: $actual"

tmux_keys Escape
tmux_wait_exit 30
echo "PASS [$E2E_NAME]"
