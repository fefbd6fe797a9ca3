#!/bin/bash
# Tree mode in a terminal through the `ks` launcher: two drives mapped to
# temporary folders, the tree starts on the start-up directory (drawn
# yellow), the movement keys and Tab reach the expected entries, and Enter
# leaves bash in the chosen folder.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
mkdir -p "$T/home"
tree_fixture "$T" "$T/home/KS.DAT"

cat > "$T/run.sh" <<'SCRIPT'
export KS95_DRIVES="D=$T/d;E=$T/e" KS95_HOME="$T/home" KS95_PROGRAM="$KS95_BIN"
. "$KS95_SOURCE_DIR/launcher/ks.sh"
cd "$T/d/work" || exit 9
ks
printf 'status=%s pwd=%s\n' "$?" "$(pwd -P)" > "$T/result"
SCRIPT


tmux_start tree env T="$T" KS95_BIN="$KS95_BIN" KS95_SOURCE_DIR="$KS95_SOURCE_DIR" \
  bash --norc --noprofile "$T/run.sh"
tmux_wait "Kestrin 95 v1.00"
wait_status 'D:\work'
[ "$(tmux_screen | head -1 | cut -c1-2)" = DE ] || fail "drive letters: $(tmux_screen | head -1)"
check_startup_yellow

step Down 'D:\work\src'
step C-Up 'D:\many\m30'
step C-Down 'D:\work\src'
step Left 'D:\work'
step Home 'D:\ (Scanned 01.12.2026)'
step NPage 'D:\many\m20'
end_step() { step End "$1"; }
tree_steps_to_music end_step
tmux_wait_exit
[ -f "$T/result" ] || fail "the shell wrote no result"
[ "$(cat "$T/result")" = "status=0 pwd=$T/e/music" ] || fail "$(cat "$T/result")"
echo "PASS [$E2E_NAME]"
