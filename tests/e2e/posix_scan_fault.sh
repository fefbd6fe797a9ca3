# Killing the program at random moments while it rewrites the scan file
# never leaves a damaged file: KS.DAT always holds the complete old scan or
# the complete new one.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
tree="$tmp/tree"
oracle="$KS95_SOURCE_DIR/tests/e2e/scan_oracle.py"
export KS95_DRIVES="C=/;D=$tree" KS95_HOME="$tmp"
rounds=${KS95_FAULT_ROUNDS:-40}

python3 - "$tree" <<'PY'
import os, sys
for a in range(40):
    for b in range(120):
        os.makedirs(os.path.join(sys.argv[1], "dir%02d" % a, "Sub%03d" % b))
PY

scan() { "$KS95_BIN" =ks95 /sD >/dev/null 2>&1 </dev/null; }
expected() {
  find "$tree" -mindepth 1 -name '.*' -prune -o -type d -print0 |
    python3 "$oracle" expect D "$tree"
}
# The scan of D as the file holds it: directory lines, and a check that the
# file is whole (one root line first, every line ended).
holds() {
  python3 "$oracle" lines D "$tmp/KS.DAT" >"$tmp/got"
  [ "$(head -c 4 "$tmp/KS.DAT")" = 'D:\*' ] || return 1
  [ "$(tail -c 2 "$tmp/KS.DAT" | od -An -tx1 | tr -d ' ')" = 0d0a ] || return 1
  cmp -s "$1" "$tmp/got"
}

scan || fail "first scan failed"
expected >"$tmp/old"
holds "$tmp/old" || fail "first scan does not match the tree"
t0=$(date +%s%N)
scan
full_ms=$((($(date +%s%N) - t0) / 1000000))
[ "$full_ms" -gt 0 ] || full_ms=1

old=0 new=0
deadline=$(($(date +%s) + 150))
for i in $(seq "$rounds"); do
  [ "$(date +%s)" -lt "$deadline" ] || break
  mkdir "$tree/added$i"
  expected >"$tmp/new"
  delay_ms=$((RANDOM % (full_ms + full_ms / 4 + 1)))
  "$KS95_BIN" =ks95 /sD >/dev/null 2>&1 </dev/null &
  pid=$!
  sleep "$(awk -v m="$delay_ms" 'BEGIN { printf "%.3f", m / 1000 }')"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if holds "$tmp/old"; then
    old=$((old + 1))
  elif holds "$tmp/new"; then
    new=$((new + 1))
    cp "$tmp/new" "$tmp/old"
  else
    fail "round $i (killed after $delay_ms ms of $full_ms): KS.DAT is neither the old nor the new scan"
  fi
done
[ "$old" -gt 0 ] || fail "no kill landed before the rewrite finished ($new rounds completed)"

# A temporary file left by a killed run does not stand in the way.
scan || fail "scan after the kills failed"
expected >"$tmp/new"
holds "$tmp/new" || fail "scan after the kills does not match the tree"
echo "ok: $old rounds killed mid-run kept the old file, $new completed; full scan $full_ms ms"
