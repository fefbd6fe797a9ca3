# A command-line scan of a real tree lists exactly the directories `find`
# lists, less dot-names and links, in tree order, after a fresh root line.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
root=${KS95_ORACLE_TREE:-/usr/share}
oracle="$KS95_SOURCE_DIR/tests/e2e/scan_oracle.py"

KS95_DRIVES="C=/;D=$root" KS95_HOME="$tmp" "$KS95_BIN" =ks95 /sD \
  >"$tmp/out" 2>&1 </dev/null || fail "exit status $?"
printf 'Scanning drive D:\r\n1 drive(s) scanned\r\n' >"$tmp/want-out"
tr -d '\r' <"$tmp/out" | grep -v '^$' >"$tmp/got-out" || true
tr -d '\r' <"$tmp/want-out" | cmp -s - "$tmp/got-out" ||
  fail "console output: $(cat -A "$tmp/out")"

first=$(head -c 4 "$tmp/KS.DAT")
[ "$first" = 'D:\*' ] || fail "first line is not D's root line: $first"
[ "$(grep -ac '^D:\\\*' "$tmp/KS.DAT")" = 1 ] || fail "not exactly one root line"

find "$root" -mindepth 1 -name '.*' -prune -o -type d -print0 |
  python3 "$oracle" expect D "$root" >"$tmp/want"
python3 "$oracle" lines D "$tmp/KS.DAT" >"$tmp/got"
[ -s "$tmp/want" ] || fail "find listed nothing below $root"
if ! cmp -s "$tmp/want" "$tmp/got"; then
  diff <(tr -d '\r' <"$tmp/want") <(tr -d '\r' <"$tmp/got") | head -20 >&2
  fail "scan differs from find ($(wc -l <"$tmp/want") expected, $(wc -l <"$tmp/got") got)"
fi
echo "ok: $(wc -l <"$tmp/got") directories as find lists them"
