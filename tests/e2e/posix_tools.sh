#!/bin/bash
# Tree-mode tools in a real terminal: speed search, help, printing to a
# file-backed LPT1 and deleting a directory from KS.DAT.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/c/APPS/EDIT" "$T/c/WINDOWS" "$T/c/WORK" "$T/home"
printf 'C:\\*01.02.2020 08:00:00\r\nC:\\APPS\r\nC:\\APPS\\EDIT\r\nC:\\WINDOWS\r\nC:\\WORK\r\n' \
  >"$T/home/KS.DAT"
: >"$T/lpt1"

cd "$T/c"
tmux_start tools env KS95_DRIVES="C=$T/c" KS95_HOME="$T/home" \
  KS95_CDFILE="$T/cd.bat" KS95_LPT1="$T/lpt1" "$KS95_BIN" =ks95
tmux_wait "Kestrin 95 v1.00"
tmux_wait "5 dirs"

# Speed search: the top row turns into the search line, the bar follows.
tmux_keys w
tmux_wait " Speed Search: W"
tmux_wait "Alt-N = Next match"
tmux_wait "C:\\WINDOWS"
tmux_keys o
tmux_wait " Speed Search: WO"
tmux_wait "C:\\WORK"
tmux_keys Escape
tmux_wait "Kestrin 95 v1.00"
tmux_screen | grep -qF "Speed Search" && fail "search line still shown after Esc"

# Help, and any key back to the tree without acting on it.
tmux_keys F1
tmux_wait "Key             Action"
tmux_wait "Delete non-parent directory from scan file"
tmux_keys Up
tmux_wait "Kestrin 95 v1.00"
tmux_screen | grep -qF "Key             Action" && fail "help still shown"
tmux_wait "C:\\WORK"

# Print to LPT1, which is a plain file here.
tmux_keys M-p
tmux_wait "Print tree to LPT (1,2,3):"
tmux_keys 1
tmux_wait "Kestrin 95 v1.00"
i=0
while [ "$i" -lt 100 ] && ! grep -q $'\f' "$T/lpt1"; do sleep 0.05; i=$((i + 1)); done
expected=$(printf 'C:\\\r\n\303\304APPS\r\n\263 \300\304EDIT\r\n\303\304WINDOWS\r\n\300\304WORK\r\n\f' | od -An -tx1)
actual=$(od -An -tx1 <"$T/lpt1")
[ "$expected" = "$actual" ] || fail "printed bytes differ: $actual"

# Delete the selected directory (WORK, the last entry) from the scan file.
tmux_keys DC
tmux_wait "Delete WORK from scan file (y/n) ?"
tmux_keys y
tmux_wait "4 dirs"
expected=$(printf 'C:\\*01.02.2020 08:00:00\r\nC:\\APPS\r\nC:\\APPS\\EDIT\r\nC:\\WINDOWS\r\n' | od -An -tx1)
actual=$(od -An -tx1 <"$T/home/KS.DAT")
[ "$expected" = "$actual" ] || fail "KS.DAT after the deletion: $actual"
[ -d "$T/c/WORK" ] || fail "the directory itself was touched"

tmux_keys Escape
tmux_wait_exit
echo "PASS [$E2E_NAME]"
