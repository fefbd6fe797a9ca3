#!/bin/bash
# Names the scan file cannot hold: a backslash anywhere, and "*" first in a
# name directly below the root, whose line would read as the root line.  A
# scan leaves them out and says how many, in tree mode and on the command
# line; a scan file from older scans that holds such "*" lines loads as the
# tree it was, with one root.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
mkdir -p "$T/d/keep/sub" "$T/d/keep/*deep" "$T/d/a\\b/below" "$T/d/*x/inner" "$T/c" "$T/home"
printf 'D:\\*01.02.2020 08:00:00\r\nD:\\*x\r\nD:\\*x\\inner\r\nD:\\keep\r\nD:\\keep\\*deep\r\nD:\\keep\\sub\r\n' \
  >"$T/home/KS.DAT"
export KS95_DRIVES="C=$T/c;D=$T/d" KS95_HOME="$T/home" KS95_CDFILE="$T/cd.sh"
want='D:\*
D:\keep
D:\keep\*deep
D:\keep\sub'

cd "$T/d"
tmux_start names "$KS95_BIN" =ks95
tmux_wait "Kestrin 95 v1.00"
tmux_wait "inner"
wait_status 'D:\ (Scanned 01.02.2020 08:00:00)'
[ "$(tmux_screen | grep -c '^D:\\ *$')" = 1 ] || fail "the old file shows more than one root"
tmux_screen | grep -q '^├─\*x *$' || fail "*x is not shown directly below the root"
step Down 'D:\*x'
step Down 'D:\*x\inner'

tmux_keys F2
tmux_wait " Enter drives to scan:"
tmux_keys d Enter
# Two reasons make a note longer than the row: its start shows.
tmux_wait "│ D: 2 directories left out: their names hold a backslash, or begin"
tmux_screen | grep -q '\*x\|inner' && fail "*x is still in the tree"
[ "$(unstamped "$T/home/KS.DAT" | tr -d '\r')" = "$want" ] || fail "F2 wrote: $(cat "$T/home/KS.DAT")"
# The note shows once.
step Down 'D:\keep'
tmux_keys Escape
tmux_wait_exit

out=$("$KS95_BIN" =ks95 /sd </dev/null | tr -d '\r')
[ "$out" = "Scanning drive D:
2 directories left out: their names hold a backslash, or begin with * at the root
1 drive(s) scanned" ] || fail "/sD printed: $out"
[ "$(unstamped "$T/home/KS.DAT" | tr -d '\r')" = "$want" ] || fail "/sD wrote: $(cat "$T/home/KS.DAT")"

# Without such names nothing more is said.
mv "$T/d/a\\b" "$T/d/ab"
mv "$T/d/*x" "$T/d/x"
out=$("$KS95_BIN" =ks95 /sd </dev/null | tr -d '\r')
[ "$out" = "Scanning drive D:
1 drive(s) scanned" ] || fail "/sD printed: $out"
echo "PASS [$E2E_NAME]"
