#!/bin/bash
# Rewrites under Wine while other runs read: `/a` runs 30 times, one after
# another, while two loops of jumps read a 400,000-line KS.DAT.  Every `/a`
# lands, KS.DAT is whole whenever it is looked at, and no temporary file is
# left beside it, not even one a killed run had left.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
wine_setup
d="$tmp/d"
mkdir -p "$d/KS"
cp "$KS95_BUILD_DIR/ks95.exe" "$d/KS/"
adds=30
for i in $(seq 10 $((9 + adds))); do mkdir -p "$d/NEW/A$i"; done
# The root line, D:\BULK and 399,997 directories below it, D:\NEW: tree order.
python3 - "$d/KS/KS.DAT" <<'PY'
import sys
with open(sys.argv[1], "wb") as f:
    f.write(b"D:\\*07.12.2026 10:15:00\r\nD:\\BULK\r\n")
    f.write(b"".join(b"D:\\BULK\\D%06d\r\n" % i for i in range(399997)))
    f.write(b"D:\\NEW\r\n")
PY
cp "$d/KS/KS.DAT" "$tmp/before.dat"
# Left by a run of a process that is gone: the first rewrite removes it.
echo partial >"$d/KS/KS.DAT.2147483000-1.tmp"
wine_map_drive D "$d"

# Each reader jumps to D:\NEW until the adding loop is done, and counts the
# jumps that arrived.
for r in 1 2; do
  printf '%s\r\n' '@echo off' 'D:' ':again' 'cd \' \
    'D:\KS\ks95.exe =ks95 NEW > nul' "if errorlevel 1 echo jumped>> D:\\reader$r.log" \
    'if not exist D:\stop.txt goto again' "echo done> D:\\reader$r.done" >"$d/reader$r.bat"
done
printf '%s\r\n' '@echo off' 'D:' \
  "for /L %%i in (10,1,$((9 + adds))) do (cd \\NEW\\A%%i& D:\\KS\\ks95.exe =ks95 /a>> D:\\add.log)" \
  'echo done> D:\stop.txt' >"$d/add.bat"

cd "$d"
tmux_start readers wine cmd /c 'D:\reader1.bat'
tmux -L "$TMUX_SOCKET" new-window -d -t main "wine cmd /c 'D:\\reader2.bat'"
# Both readers are under way before the first addition.
i=0
until [ -s "$d/reader1.log" ] && [ -s "$d/reader2.log" ]; do
  [ "$i" -lt 1200 ] || fail "the readers did not start jumping"
  sleep 0.05
  i=$((i + 1))
done
tmux -L "$TMUX_SOCKET" new-window -d -t main "wine cmd /c 'D:\\add.bat'"

# Whole every time it is looked at: a CR LF at the end and every line there.
whole() {
  python3 - "$d/KS/KS.DAT" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if data.endswith(b"\r\n") and data.count(b"\r\n") >= 400000 else 1)
PY
}
i=0
until [ -f "$d/reader1.done" ] && [ -f "$d/reader2.done" ]; do
  [ "$i" -lt 300 ] || fail "the runs did not end: $(cat "$d/add.log" 2>/dev/null | tail -3)"
  whole || fail "KS.DAT was seen cut short"
  sleep 0.5
  i=$((i + 1))
done

landed=$(grep -c '^Scan file updated with D:\\NEW\\A' "$d/add.log" || true)
[ "$landed" = "$adds" ] ||
  fail "$landed of $adds additions landed; the others said: $(grep -v '^Scan file updated' "$d/add.log" | sort | uniq -c | head -3)"
jumps1=$(wc -l <"$d/reader1.log") jumps2=$(wc -l <"$d/reader2.log")
[ "$jumps1" -ge 5 ] && [ "$jumps2" -ge 5 ] ||
  fail "the readers jumped only $jumps1 and $jumps2 times"
python3 - "$tmp/before.dat" "$d/KS/KS.DAT" "$adds" <<'PY' || fail "KS.DAT is not the old file with the additions in place"
import sys
before = open(sys.argv[1], "rb").read()
after = open(sys.argv[2], "rb").read()
adds = b"".join(b"D:\\NEW\\A%d\r\n" % i for i in range(10, 10 + int(sys.argv[3])))
sys.exit(0 if after == before + adds else 1)
PY
left=$(ls "$d/KS" | grep -i '\.tmp$' || true)
[ -z "$left" ] || fail "temporary files left: $left"
echo "PASS [$E2E_NAME] ($jumps1 and $jumps2 jumps beside $adds additions)"
