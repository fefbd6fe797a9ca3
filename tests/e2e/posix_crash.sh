# The program killed at random moments while it rewrites a big scan file:
# tree-mode rescans (F2), deletions (Delete, Y) and additions (/a).  KS.DAT
# is always the whole old file or the whole new one, and a signal the
# program can catch leaves the terminal as it found it.  (Command-line scans
# killed mid-run are posix_scan_fault.sh.)
: "${KS95_SOURCE_DIR:?}" "${KS95_BIN:?}"  # unset, every path below would be in /
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
tree="$tmp/tree" home="$tmp/home"
mkdir -p "$home"
export KS95_DRIVES="D=$tree" KS95_HOME="$home"
# Every rescan walks the drive whole, so that it lasts long enough to be
# killed, and writes the record too.
export KS95_RESCAN=full
check="$tmp/check.py"
rounds=${KS95_CRASH_ROUNDS:-8}

python3 - "$tree" <<'PY'
import os, sys
for a in range(30):
    for b in range(100):
        os.makedirs(os.path.join(sys.argv[1], "dir%02d" % a, "Sub%03d" % b))
for i in range(40):
    os.makedirs(os.path.join(sys.argv[1], "leaf%02d" % i))
PY
"$KS95_BIN" =ks95 /sD >/dev/null </dev/null || fail "first scan failed"
# Drives that are scanned but absent make the file big (about 30 MB): every
# rewrite copies them, which gives the kills a window to land in.
python3 - "$home/KS.DAT" <<'PY'
import sys
with open(sys.argv[1], "ab") as f:
    for letter in "EFGHIJKLMNOPQRSTUVWXYZ":
        f.write(b"%s:\\*07.12.2026\r\n" % letter.encode())
        for i in range(1, 10000):
            f.write(b"%s:\\FOLDER%02d\\%s%05d\r\n" % (letter.encode(), i % 50, b"long name " * 12, i))
PY

# check.py OLD CUR KIND ARG: CUR is OLD unchanged, or OLD after the one
# change KIND: "add" ARG (a line inserted), "del" ARG (a line removed), or
# "scan" ARG (D's lines replaced by the expected list in file ARG).  Prints
# "old" or "new".
cat >"$check" <<'PY'
import sys
old, cur = (open(p, "rb").read() for p in sys.argv[1:3])
kind, arg = sys.argv[3], sys.argv[4].encode()
if cur == old:
    print("old"); sys.exit(0)
assert cur.endswith(b"\r\n"), "file cut short"
o, c = old[:-2].split(b"\r\n"), cur[:-2].split(b"\r\n")
if kind == "add":
    assert arg in c and [l for l in c if l != arg] == o, "not old plus one line"
elif kind == "del":
    assert arg in o and [l for l in o if l != arg] == c, "not old minus one line"
else:
    want = open(arg, "rb").read()[:-2].split(b"\r\n")
    assert [l for l in c if not l.startswith(b"D:")] == \
           [l for l in o if not l.startswith(b"D:")], "other drives changed"
    d = [l for l in c if l.startswith(b"D:")]
    assert d[0].startswith(b"D:\\*") and d[1:] == want, "D is not the new scan"
print("new")
PY
state() { python3 "$check" "$tmp/old" "$home/KS.DAT" "$@" || fail "KS.DAT is damaged ($*)"; }
ms_sleep() { sleep "$(awk -v m="$1" 'BEGIN { printf "%.3f", m / 1000 }')"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
cp "$home/KS.DAT" "$tmp/old"

# --- Additions --------------------------------------------------------------
mkdir "$tree/added"
t0=$(now_ms)
(cd "$tree/added" && "$KS95_BIN" =ks95 /a >/dev/null </dev/null)
full=$(($(now_ms) - t0 + 1))
[ "$(state add 'D:\added')" = new ] || fail "a whole addition is not the old file plus its line"
cp "$home/KS.DAT" "$tmp/old"
old=0 new=0
for i in $(seq $((rounds * 3))); do
  mkdir "$tree/added$i"
  (cd "$tree/added$i" && exec "$KS95_BIN" =ks95 /a >/dev/null 2>&1 </dev/null) &
  pid=$!
  ms_sleep $((RANDOM % (full + full / 4 + 1)))
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ "$(state add "D:\\added$i")" = new ]; then
    new=$((new + 1)); cp "$home/KS.DAT" "$tmp/old"
  else
    old=$((old + 1))
  fi
done
# What a killed run left behind does not stand in the way of the next one.
mkdir "$tree/added_last"
(cd "$tree/added_last" && "$KS95_BIN" =ks95 /a </dev/null) >"$tmp/out" 2>&1 ||
  fail "addition after the kills: $(cat "$tmp/out")"
grep -qF 'Scan file updated with D:\added_last' "$tmp/out" || fail "addition after the kills: $(cat "$tmp/out")"
echo "additions: $old killed early, $new completed (full run $full ms)"
[ "$old" -gt 0 ] || fail "no addition was killed before it finished"
cp "$home/KS.DAT" "$tmp/old"

# --- Deletions in tree mode ----------------------------------------------------
pane_pid() { tmux -L "$TMUX_SOCKET" display-message -p -t main '#{pane_pid}'; }
inode() { stat -c '%i %s' "$home/KS.DAT"; }
old=0 new=0 full=0
for i in $(seq 0 "$rounds"); do
  leaf=$(printf 'leaf%02d' "$i")
  tmux_start "del$i" sh -c "cd '$tree/$leaf' && exec '$KS95_BIN' =ks95"
  tmux_keys DC
  tmux_wait " Delete $leaf from scan file (y/n) ?"
  pid=$(pane_pid)
  before=$(inode)
  t0=$(now_ms)
  tmux_keys y
  if [ "$i" = 0 ]; then
    # The first one runs to the end: how long a deletion takes.
    n=0
    while [ "$(inode)" = "$before" ]; do
      n=$((n + 1)); [ "$n" -lt 1000 ] || fail "the deletion never replaced KS.DAT"
      sleep 0.01
    done
    full=$(($(now_ms) - t0 + 1))
  else
    # The measured time includes the key's way through tmux.
    ms_sleep $((RANDOM % (full * 3 / 4 + 1)))
  fi
  kill -9 "$pid" 2>/dev/null || true
  tmux_wait_exit
  tmux -L "$TMUX_SOCKET" kill-server
  if [ "$(state del "D:\\$leaf")" = new ]; then
    new=$((new + 1)); cp "$home/KS.DAT" "$tmp/old"
  else
    old=$((old + 1))
  fi
done
echo "deletions: $old killed early, $new completed (full run $full ms)"
[ "$old" -gt 0 ] || fail "no deletion was killed before it finished"

# --- Rescans in tree mode, ended by each signal the program catches ---------
expected() {
  find "$tree" -mindepth 1 -name '.*' -prune -o -type d -print0 |
    python3 "$KS95_SOURCE_DIR/tests/e2e/scan_oracle.py" expect D "$tree"
}
cat >"$tmp/run.sh" <<SCRIPT
stty -a >"$tmp/before"
cd "$tree"
"$KS95_BIN" =ks95
echo \$? >"$tmp/rc"
stty -a >"$tmp/after"
SCRIPT
# Here the scan is the window; the absent drives would only slow each start.
grep -a '^D:' "$home/KS.DAT" >"$tmp/d.dat" && mv "$tmp/d.dat" "$home/KS.DAT"
t0=$(now_ms)
"$KS95_BIN" =ks95 /sD >/dev/null </dev/null
full=$(($(now_ms) - t0 + 1))
cp "$home/KS.DAT" "$tmp/old"
old=0 new=0
signals=(TERM INT HUP KILL)
for i in $(seq $((rounds * 2))); do
  sig=${signals[$((i % 4))]}
  mkdir "$tree/scanned$i"
  expected >"$tmp/want"
  rm -f "$tmp/rc"
  tmux_start "scan$i" bash --norc --noprofile "$tmp/run.sh"
  tmux_wait "Kestrin 95 v1.00"
  tmux_keys F2
  tmux_wait " Enter drives to scan:"
  program=$(pgrep -P "$(pane_pid)")
  tmux_keys d Enter
  ms_sleep $((RANDOM % (full + full / 2 + 1)))
  kill -"$sig" "$program" 2>/dev/null || true
  tmux_wait_exit
  [ -f "$tmp/rc" ] || fail "round $i: the wrapper did not finish"
  signum=$(kill -l "$sig")
  [ "$(cat "$tmp/rc")" = $((128 + signum)) ] ||
    fail "round $i: ended with status $(cat "$tmp/rc") after SIG$sig"
  if [ "$sig" != KILL ]; then
    diff "$tmp/before" "$tmp/after" >&2 || fail "round $i: SIG$sig left the terminal changed"
  fi
  tmux -L "$TMUX_SOCKET" kill-server
  if [ "$(state scan "$tmp/want")" = new ]; then
    new=$((new + 1)); cp "$home/KS.DAT" "$tmp/old"
  else
    old=$((old + 1))
  fi
done
echo "rescans: $old killed early, $new completed (full scan $full ms)"
[ "$old" -gt 0 ] || fail "no rescan was killed before it finished"
echo "PASS [$E2E_NAME]"
