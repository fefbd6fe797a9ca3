#!/bin/bash
# Tree-mode tools in a real terminal: speed search, help, printing to a
# file-backed LPT1 and deleting a directory from KS.DAT.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/home"
tools_fixture C "$T/c" "$T/home/KS.DAT"
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

# Print to LPT1, which is a plain file here, and delete the selected
# directory (WORK, the last entry) from the scan file.
check_print_and_delete C "$T/lpt1" "$T/home/KS.DAT"
[ -d "$T/c/WORK" ] || fail "the directory itself was touched"

tmux_keys Escape
tmux_wait_exit
echo "PASS [$E2E_NAME]"
