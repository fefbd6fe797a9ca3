# The scan's walk over a real file system: mount points inside a drive (a
# tmpfs, a bind mount of the drive itself) are neither listed nor entered;
# dot-folders are hidden ones; one worker or several write the same file
# (here and on /usr); few file descriptors or 1,500 levels give a whole
# scan or a clear error, never a short file reported as scanned.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
d="$tmp/d"
mkdir -p "$d/plain/sub" "$d/.config/app" "$d/tm" "$d/loop"
export KS95_DRIVES="C=/;D=$d;U=/usr" KS95_HOME="$tmp"
ks() { "$KS95_BIN" =ks95 "$@" </dev/null 2>&1; }
lines() { grep -a "^$1:" "$tmp/KS.DAT" | tr -d '\r' | sed 1d | tr '\n' ' '; }

mounted=""
trap 'for m in $mounted; do umount "$m"; done; _e2e_cleanup' EXIT
if mount -t tmpfs ks95 "$d/tm" 2>/dev/null; then
  mounted="$d/tm"
  mkdir "$d/tm/inside"
  mount --bind "$d" "$d/loop"
  mounted="$d/loop $mounted"
else
  echo "mount not permitted here: the mount-point checks did not run"
  exit 77
fi

# --- Mount points and dot-folders --------------------------------------------
out=$(ks /sD)
case $out in *"1 drive(s) scanned"*) ;; *) fail "/sD said: $out" ;; esac
[ "$(lines D)" = 'D:\plain D:\plain\sub ' ] || fail "/sD listed: $(lines D)"
ks /s+D >/dev/null
[ "$(lines D)" = 'D:\.config D:\.config\app D:\plain D:\plain\sub ' ] ||
  fail "/s+D listed: $(lines D)"
# Added by hand below a listed parent, a dot-folder is like any other.
ks /sD >/dev/null
mkdir "$d/.config/new"
out=$(cd "$d/.config" && ks /a) || true
case $out in *"Scan file updated with D:\\.config"*) ;; *) fail "/a in .config: $out" ;; esac
out=$(cd "$d/.config/new" && ks /a) || true
case $out in *"Scan file updated with D:\\.config\\new"*) ;; *) fail "/a in .config/new: $out" ;; esac

# --- One worker or several ---------------------------------------------------
for root in U; do
  KS95_SCAN_THREADS=1 ks "/s$root" >/dev/null
  cp "$tmp/KS.DAT" "$tmp/one"
  for threads in 2 4; do
    KS95_SCAN_THREADS=$threads ks "/s$root" >/dev/null
    cmp -s <(unstamped "$tmp/one") <(unstamped "$tmp/KS.DAT") ||
      fail "$threads threads wrote another file for $root:"
  done
done

# --- Few descriptors, deep trees --------------------------------------------
python3 - "$d/plain" <<'PY'
import os, sys
fd = os.open(sys.argv[1], os.O_RDONLY)
for level in range(1500):
    os.mkdir("n", dir_fd=fd)
    nfd = os.open("n", os.O_RDONLY, dir_fd=fd)
    os.close(fd)
    fd = nfd
os.close(fd)
PY
for threads in 1 2; do
  out=$(KS95_SCAN_THREADS=$threads ks /sD)
  case $out in *"1 drive(s) scanned"*) ;; *) fail "1,500 levels, $threads threads: $out" ;; esac
  [ "$(grep -ac '^D:\\plain\\n' "$tmp/KS.DAT")" = 1500 ] ||
    fail "1,500 levels, $threads threads: $(grep -ac '^D:\\plain\\n' "$tmp/KS.DAT") listed"
done
cp "$tmp/KS.DAT" "$tmp/whole"
for limit in 8 16; do
  for threads in 1 2; do
    cp "$tmp/KS.DAT" "$tmp/before"
    out=$(ulimit -n "$limit"; KS95_SCAN_THREADS=$threads ks /sD) || true
    case $out in
      *"1 drive(s) scanned"*)
        cmp -s <(unstamped "$tmp/whole") <(unstamped "$tmp/KS.DAT") ||
          fail "ulimit -n $limit, $threads threads: a different tree reported as scanned" ;;
      *"Error reading D:\\"*)
        cmp -s "$tmp/before" "$tmp/KS.DAT" || fail "ulimit -n $limit: KS.DAT changed after: $out"
        case $out in *"drive(s) scanned"*) fail "ulimit -n $limit: error and count: $out" ;; esac ;;
      *) fail "ulimit -n $limit, $threads threads: $out" ;;
    esac
    echo "ulimit -n $limit, $threads thread(s): $(echo "$out" | tr -d '\r' | tail -1)"
  done
done
echo "ok"
