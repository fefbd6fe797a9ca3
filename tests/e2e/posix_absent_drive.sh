#!/bin/bash
# A USB stick mapped as E: and then pulled out: its folder is gone, and the
# runs must go on.  A jump to C says nothing, the tree shows E as absent,
# F2 refuses its letter and keeps its lines while C is rescanned, and /sE
# says E is not present and scans nothing.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
mkdir -p "$T/c/src/tax" "$T/usb/photos/2025" "$T/home"
export KS95_DRIVES="C=$T/c;E=$T/usb" KS95_HOME="$T/home" KS95_PROGRAM="$KS95_BIN"
DAT=$T/home/KS.DAT
"$KS95_BIN" =ks95 /sCE > /dev/null || fail "first scan failed"
e_lines() { grep -a '^E:' "$DAT"; }
E_BEFORE=$(e_lines)
[ "$(echo "$E_BEFORE" | wc -l)" = 3 ] || fail "E not scanned: $E_BEFORE"
mv "$T/usb" "$T/usb.out"
mkdir "$T/c/src/new"

# Through the launcher, as a user types it.
ks_run() { (cd "$T/c" && bash -c '. "$1/ks.sh"; ks "$2"; echo "status $?"; pwd' \
  _ "$KS95_SOURCE_DIR/launcher" "$1" 2>&1); }
out=$(ks_run tax)
[ "$out" = "status 0
$T/c/src/tax" ] || fail "jump to C with E absent: $out"
# E's directories are never offered while it is away.
out=$(ks_run photos)
case $out in
  *'"PHOTOS" not found'*'status 1'*) ;;
  *) fail "jump to absent E: $out" ;;
esac
out=$(ks_run /sE)
[ "$out" = "0 drive(s) scanned
Drive E: is not present (no folder $T/usb) and was not scanned
status 1
$T/c" ] || fail "/sE: $out"
[ "$(e_lines)" = "$E_BEFORE" ] || fail "/sE changed E's lines"

# Tree mode: E in lower case, its root "not available"; Enter on it stays.
cd "$T/c/src"
# The status goes to a file: tmux 3.3 can mark the pane dead before it has
# the status, and then never shows it.
tmux_start absent sh -c 'f=$1; shift; "$@"; echo $? > "$f"' _ "$T/status" \
  env KS95_STATUS=shell KS95_CDFILE="$T/cd.sh" "$KS95_BIN" =ks95
tmux_wait "F1: Help"
[ "$(tmux_screen | head -n 1 | cut -c1-2)" = Ce ] || fail "drive letters: $(tmux_screen | head -n 1)"
tmux_keys Tab
tmux_keys Home
tmux_wait "(Currently not available)"
tmux_keys Enter
tmux_keys Down
tmux_wait "F1: Help │ E:\\photos"
# F2: e is not taken, c is; C is rescanned and E copied as it was.
tmux_keys F2
tmux_wait " Enter drives to scan:"
tmux_keys e c
tmux_wait " Enter drives to scan: C"
tmux_screen | grep -q "scan: E" && fail "the absent letter was echoed"
tmux_keys Enter
tmux_wait "F1: Help"
grep -aqx 'C:\\src\\new' <(tr -d '\r' < "$DAT") || fail "F2 did not rescan C"
[ "$(e_lines)" = "$E_BEFORE" ] || fail "F2 of C lost or changed E's lines"
tmux_keys Escape
tmux_wait_exit
[ "$(cat "$T/status")" = 1 ] || fail "Esc did not end with status 1"
dead_screen | grep -q "KS95_DRIVES\|not present\|no folder" && fail "tree mode spoke of E"
[ -s "$T/cd.sh" ] && fail "the cd file names a move"
stop_tmux

# The stick is back: E is a drive like any other again.
mv "$T/usb.out" "$T/usb"
out=$(ks_run 2025)
[ "$out" = "status 0
$T/usb/photos/2025" ] || fail "jump to E once back: $out"
echo "PASS [$E2E_NAME]"
