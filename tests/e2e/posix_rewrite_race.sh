# Rewrites of the scan file against each other and against a hostile data
# folder: concurrent /a + /a and /a + /sD never tear KS.DAT nor lose a line
# reported as added; planted links and another user's files are never
# written through or trusted; KS.DAT keeps its mode; a read-only or folder
# KS.DAT is refused before any scan; /a refuses names the file cannot hold.
: "${KS95_SOURCE_DIR:?}" "${KS95_BIN:?}"
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
tree="$tmp/tree" home="$tmp/home"
mkdir -p "$tree/base" "$home"
export KS95_DRIVES="D=$tree" KS95_HOME="$home"
unset KS95_CDFILE
ks() { "$KS95_BIN" =ks95 "$@" </dev/null; }
rounds=${KS95_RACE_ROUNDS:-50}
ks /sD >/dev/null || fail "first scan failed"

# Every line a drive line, the file ending in a line end: nothing torn.
whole() {
  local f="$home/KS.DAT"
  [ "$(tail -c 2 "$f" | od -An -tx1 | tr -d ' \n')" = 0d0a ] || fail "round $r: KS.DAT is cut short"
  tr -d '\000\032' <"$f" | cmp -s - "$f" || fail "round $r: KS.DAT holds NUL or Ctrl-Z bytes"
  if tr -d '\r' <"$f" | grep -qav '^D:\\'; then fail "round $r: KS.DAT holds a torn line"; fi
}
# Each run that said it added its line: the line is there.
kept() {
  local out
  for out in "$@"; do
    if grep -q '^Scan file updated with ' "$out"; then
      line=$(sed -n 's/^Scan file updated with //p' "$out")
      grep -qxF -- "$line"$'\r' "$home/KS.DAT" || fail "round $r: $line reported added, then lost"
    fi
  done
}

for r in $(seq "$rounds"); do
  mkdir "$tree/a$r" "$tree/b$r" "$tree/c$r"
  (cd "$tree/a$r" && ks /a >"$tmp/a.out" 2>&1) &
  (cd "$tree/b$r" && ks /a >"$tmp/b.out" 2>&1) &
  wait
  whole
  kept "$tmp/a.out" "$tmp/b.out"
  grep -q 'Scan file updated' "$tmp/a.out" && grep -q 'Scan file updated' "$tmp/b.out" ||
    fail "round $r: a run did not get its turn: $(cat "$tmp/a.out" "$tmp/b.out")"
  (cd "$tree/c$r" && ks /a >"$tmp/c.out" 2>&1) &
  ks /sD >"$tmp/s.out" 2>&1 &
  wait
  whole
  kept "$tmp/c.out"
  grep -qx '1 drive(s) scanned' "$tmp/s.out" || fail "round $r: scan said $(cat "$tmp/s.out")"
  grep -qxF "D:\\c$r"$'\r' "$home/KS.DAT" || fail "round $r: D:\\c$r is missing"
done
ls "$home" | grep -q '\.tmp$' && fail "temporary files left behind: $(ls "$home")"

# --- Planted links and files --------------------------------------------------
echo precious >"$tmp/victim"
ln -s "$tmp/victim" "$home/KS.DAT.new"
mkdir "$tree/linked"
(cd "$tree/linked" && ks /a) >/dev/null
ks /sD >/dev/null
[ "$(cat "$tmp/victim")" = precious ] || fail "a rewrite wrote through a planted link"
[ -f "$home/KS.DAT" ] && [ ! -L "$home/KS.DAT" ] || fail "KS.DAT became a link"
grep -qxF 'D:\linked'$'\r' "$home/KS.DAT" || fail "the addition beside a planted link is missing"
rm "$home/KS.DAT.new"

# The default cd file: a link planted in its place is replaced, not followed.
ln -s "$tmp/victim" "$home/ks95cd.sh"
(cd "$tree/base" && ks '\') || fail "the root option failed"
[ "$(cat "$tmp/victim")" = precious ] || fail "the cd file was written through a link"
[ ! -L "$home/ks95cd.sh" ] && [ "$(stat -c %a "$home/ks95cd.sh")" = 600 ] ||
  fail "the cd file is not a fresh mode-600 file"
# A private cd file that is a link is refused.
ln -s "$tmp/victim" "$tmp/cdlink"
(cd "$tree/base" && KS95_CDFILE="$tmp/cdlink" ks '\') >/dev/null 2>&1 &&
  fail "a linked private cd file was accepted"
[ "$(cat "$tmp/victim")" = precious ] || fail "the private cd file was written through a link"

# A shared folder where another user got there first.
shared="$tmp/shared"
chmod 711 "$tmp"
mkdir "$shared" && chmod 1777 "$shared"
cp "$home/KS.DAT" "$shared/KS.DAT"
chmod 644 "$shared/KS.DAT"
setpriv --reuid=65534 --regid=65534 --clear-groups \
  sh -c "echo 'D:\\FORGED' >'$shared/KS.DAT.new'; chmod 666 '$shared/KS.DAT.new'" ||
  fail "could not plant as nobody"
mkdir "$tree/shared_add"
(cd "$tree/shared_add" && KS95_HOME="$shared" ks /a) >/dev/null
KS95_HOME="$shared" ks /sD >/dev/null
[ "$(stat -c %U "$shared/KS.DAT")" = "$(id -un)" ] || fail "KS.DAT now belongs to $(stat -c %U "$shared/KS.DAT")"
grep -q FORGED "$shared/KS.DAT" && fail "the planted file's lines were taken"
grep -qxF 'D:\shared_add'$'\r' "$shared/KS.DAT" || fail "the addition in the shared folder is missing"

# --- Mode, read-only, folder ------------------------------------------------
chmod 600 "$home/KS.DAT"
mkdir "$tree/private"
(cd "$tree/private" && ks /a) >/dev/null
ks /sD >/dev/null
[ "$(stat -c %a "$home/KS.DAT")" = 600 ] || fail "KS.DAT came back mode $(stat -c %a "$home/KS.DAT")"

cp "$home/KS.DAT" "$tmp/before"
chmod 444 "$home/KS.DAT"
ks /sD >"$tmp/out" 2>&1 || true
[ "$(cat "$tmp/out")" = "Error opening $home/KS.DAT" ] || fail "read-only KS.DAT: $(cat "$tmp/out")"
cmp -s "$tmp/before" "$home/KS.DAT" || fail "a read-only KS.DAT was replaced"
chmod 644 "$home/KS.DAT"
mv "$home/KS.DAT" "$tmp/saved" && mkdir "$home/KS.DAT"
ks /sD >"$tmp/out" 2>&1 || true
[ "$(cat "$tmp/out")" = "Error opening $home/KS.DAT" ] || fail "folder KS.DAT: $(cat "$tmp/out")"
rmdir "$home/KS.DAT" && mv "$tmp/saved" "$home/KS.DAT"

# --- Names the scan file cannot hold -------------------------------------------
cp "$home/KS.DAT" "$tmp/before"
for name in $'lf\nD:\\forged' $'cr\rx' $'eof\x1ax'; do
  mkdir "$tree/$name"
  (cd "$tree/$name" && ks /a) >"$tmp/out" 2>&1 || fail "/a in a hostile name ended with $?"
  grep -q 'Cannot add' "$tmp/out" || fail "/a in a hostile name said: $(cat -v "$tmp/out")"
  cmp -s "$tmp/before" "$home/KS.DAT" || fail "/a changed KS.DAT for a hostile name"
done

# --- Default drive map: no letter for a pseudo or memory file system ---------
probe="$KS95_BUILD_DIR/sys_probe"
for dir in /proc /sys /dev/shm; do
  [ -d "$dir" ] || continue
  got=$(cd "$dir" && env -u KS95_DRIVES "$probe" cwd)
  [ "$got" = "C:$(printf '%s' "$dir" | tr / '\\')" ] || fail "$dir has its own drive: $got"
done
echo "PASS [$E2E_NAME]"
