#!/bin/bash
# The jump through the `ks` function in bash: one match moves the shell at
# once (status 0); several bring up the chooser, where Down and Enter pick the second;
# `ks ?` prints the option list.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
d="$T/d"
mkdir -p "$T/home"
jump_fixture "$d"
jump_scan_lines > "$T/home/KS.DAT"

cat > "$T/run.sh" <<'SCRIPT'
export KS95_DRIVES="C=/;D=$T/d" KS95_HOME="$T/home" KS95_PROGRAM="$KS95_BIN"
. "$KS95_SOURCE_DIR/launcher/ks.sh"
cd "$T/d"
ks target
printf 'status=%s pwd=%s\n' "$?" "$(pwd -P)" > "$T/one"
ks multi
printf 'status=%s pwd=%s\n' "$?" "$(pwd -P)" > "$T/two"
ks '?'
echo ALL DONE
SCRIPT

tmux_start jump env T="$T" bash --norc --noprofile "$T/run.sh"
tmux_wait "Kestrin 95 v1.00"
tmux_wait "Exact: 2"
# Keys typed before the terminal leaves line mode would be echoed rather
# than read: give the chooser time to reach its key loop.
sleep 1
tmux_keys Down Enter
tmux_wait "ALL DONE"
tmux_wait_exit

[ "$(cat "$T/one")" = "status=0 pwd=$d/ALPHA/TARGET" ] || fail "one match: $(cat "$T/one")"
[ "$(cat "$T/two")" = "status=0 pwd=$d/GAMMA/MULTI" ] || fail "chooser: $(cat "$T/two")"
check_option_list
echo "PASS [$E2E_NAME]"
