#!/bin/bash
# Tree mode in a terminal through the `ks` launcher: two drives mapped to
# temporary folders, the tree starts on the start-up directory (drawn
# yellow), the movement keys and Tab reach the expected entries, and Enter
# leaves bash in the chosen folder.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
mkdir -p "$T/home" "$T/d/apps" "$T/d/work/src/deep" "$T/d/zeta" "$T/e/docs" "$T/e/music"
{
  printf 'D:\\*01.12.2026\nD:\\apps\nD:\\many\n'
  for i in $(seq -w 1 30); do printf 'D:\\many\\m%s\n' "$i"; mkdir -p "$T/d/many/m$i"; done
  printf 'D:\\work\nD:\\work\\src\nD:\\work\\src\\deep\nD:\\zeta\n'
  printf 'E:\\*02.12.2026\nE:\\docs\nE:\\music\n'
} | sed 's/$/\r/' > "$T/home/KS.DAT"

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
# The start-up directory is yellow (under the cursor bar: on magenta).
row=$(tmux -L "$TMUX_SOCKET" capture-pane -p -e -t main | grep -a 'work' | head -1)
case "$row" in
  *'[93m'*work* | *'[1;33m'*work* | *'[33;1m'*work* | *'38;5;11m'*work*) ;;
  *) fail "start-up directory not yellow: $(printf '%s' "$row" | cat -v)" ;;
esac

step Down 'D:\work\src'
step C-Up 'D:\many\m30'
step C-Down 'D:\work\src'
step Left 'D:\work'
step Home 'D:\ (Scanned 01.12.2026)'
step NPage 'D:\many\m20'
step NPage 'D:\zeta'
step PPage 'D:\many\m12'
step PPage 'D:\ (Scanned 01.12.2026)'
step End 'D:\zeta'
step Tab 'E:\ (Scanned 02.12.2026)'
step BTab 'D:\zeta'
step Tab 'E:\ (Scanned 02.12.2026)'
step Down 'E:\docs'
step Right 'E:\music'
tmux_keys Enter
tmux_wait_exit
[ -f "$T/result" ] || fail "the shell wrote no result"
[ "$(cat "$T/result")" = "status=0 pwd=$T/e/music" ] || fail "$(cat "$T/result")"
echo "PASS [$E2E_NAME]"
