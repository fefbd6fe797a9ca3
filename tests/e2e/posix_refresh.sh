#!/bin/bash
# A folder made after the scan is reached by `ks name` with no manual
# rescan, and a drive scanned with /s+ keeps its hidden folders; with
# KS95_REFRESH=off the jump answers from the file as it is.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
d="$T/d"
mkdir -p "$T/home" "$d/OLD" "$d/.cfg"

cat > "$T/run.sh" <<'SCRIPT'
export KS95_DRIVES="C=$T/c;D=$T/d" KS95_HOME="$T/home" KS95_PROGRAM="$KS95_BIN"
mkdir -p "$T/c"
. "$KS95_SOURCE_DIR/launcher/ks.sh"
cd "$T/d"
ks /s+D > /dev/null
mkdir "$T/d/OLD/NEWPROJ"
ks newproj
printf 'status=%s pwd=%s\n' "$?" "$(pwd -P)" > "$T/one"
cd "$T/d"
mkdir "$T/d/LATER"
KS95_REFRESH=off ks later > "$T/off.out"
printf 'status=%s pwd=%s\n' "$?" "$(pwd -P)" > "$T/two"
echo ALL DONE
SCRIPT

tmux_start refresh env T="$T" bash --norc --noprofile "$T/run.sh"
tmux_wait "ALL DONE"
tmux_wait_exit

[ "$(cat "$T/one")" = "status=0 pwd=$d/OLD/NEWPROJ" ] || fail "refresh: $(cat "$T/one")"
grep -qF 'D:\OLD\NEWPROJ' "$T/home/KS.DAT" || fail "KS.DAT lacks the new folder"
# Scanned with its hidden folders, the drive keeps them.
grep -qxF $'D:\\.cfg\r' "$T/home/KS.DAT" || fail "the rescan dropped D:\\.cfg"
[ "$(cat "$T/two")" = "status=1 pwd=$d" ] || fail "refresh off: $(cat "$T/two")"
grep -qF '"LATER" not found.' "$T/off.out" || fail "refresh off said: $(cat "$T/off.out")"
grep -qF 'D:\LATER' "$T/home/KS.DAT" && fail "refresh off rescanned"
screen=$(tmux -L "$TMUX_SOCKET" capture-pane -p -S - -t main)
echo "$screen" | grep -qF "Scanning drive D:" || fail "no scanning line: $screen"
echo "PASS [$E2E_NAME]"
