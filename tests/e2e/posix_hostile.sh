# Hostile trees on the POSIX build: names with every byte a name may hold,
# paths past PATH_MAX, 300 levels of nesting, 20,000 siblings, an unreadable
# folder, links to an ancestor, folders vanishing during the scan.  The scan
# must write only lines that read back, and a jump to any listed directory
# must arrive there or say that it could not.
: "${KS95_SOURCE_DIR:?}" "${KS95_BIN:?}"  # unset, every path below would be in /
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"
tmp=$(e2e_tmpdir)
chmod 755 "$tmp"
d="$tmp/d" e="$tmp/e" home="$tmp/home"
mkdir -p "$d" "$e" "$home"
chmod 777 "$home"

# Root reads every folder whatever its mode; the program runs unprivileged
# so that the locked folder is locked for it.
as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
ks() {
  env KS95_DRIVES="C=/;D=$d;E=$e" KS95_HOME="$home" \
    KS95_CDFILE="$home/cd.sh" "${as_user[@]}" "$KS95_BIN" =ks95 "$@" \
    </dev/null 2>&1
}

python3 - "$d" "$e" <<'PY'
import os, sys
d, e = (p.encode() for p in sys.argv[1:3])
# Tagged so that a starts-with jump finds each one alone.
names = [b"a b", b"q'uote", b'dq"x', b"%PATH%", b"^caret", b"amp&x", b"$HOME",
         b"`id`", b"$(id)", b";semi", b"<in>|pipe", b"!bang", b"~tilde",
         b"\xb0\xb1\xb2\xdb\xc9\xcd", b"\xc3\xbcn\xc3\xaf", b"\xff\xfe\xc3(",
         b"esc\x1b[2Jx", b"bell\x07", b"tab\tx", b"trail ", b" lead",
         b"-dash", b"*star", b"?quest", b"c:colon", b"pct%1"]
for i, n in enumerate(names):
    os.mkdir(os.path.join(d, b"h%02d" % i + n))
    os.mkdir(os.path.join(d, b"h%02d" % i + n, b"kid"))
for n in (b"sCR\rx", b"sLF\nx", b"sBS\\x", b"sEOF\x1ax"):
    os.makedirs(os.path.join(d, n, b"inner"))
os.makedirs(os.path.join(d, b"locked", b"behind"))
os.symlink(b"..", os.path.join(d, b"h00a b", b"up"))
os.symlink(b".", os.path.join(d, b"self"))
# 300 levels whose host path passes PATH_MAX around level 240.
os.mkdir(os.path.join(d, b"deep"))
fd = os.open(os.path.join(d, b"deep"), os.O_RDONLY)
for level in range(300):
    name = b"L%03d_nest_pad" % level
    os.mkdir(name, dir_fd=fd)
    nfd = os.open(name, os.O_RDONLY, dir_fd=fd)
    os.close(fd)
    fd = nfd
os.close(fd)
os.mkdir(os.path.join(e, b"wide"))
for i in range(20000):
    os.mkdir(os.path.join(e, b"wide", b"w%05d" % i))
PY
chmod 000 "$d/locked"

# --- Scan: one line per storable directory, nothing else -------------------
out=$(ks /sDE) || fail "scan ended with status $?: $out"
case $out in *"2 drive(s) scanned"*) ;; *) fail "scan said: $out" ;; esac
cp "$home/KS.DAT" "$tmp/first"

# One worker or several: the same file, stamps aside.
for threads in 1 2 3; do
  out=$(KS95_SCAN_THREADS=$threads ks /sDE) || fail "scan with $threads threads: $out"
  cmp -s <(unstamped "$tmp/first") <(unstamped "$home/KS.DAT") ||
    fail "a scan with $threads thread(s) wrote a different file"
done
cp "$home/KS.DAT" "$tmp/first"

"${as_user[@]}" /usr/bin/python3 - "$d" "$e" "$home/KS.DAT" <<'PY' || fail "scan file check failed"
import os, sys
d, e, ksdat = (p.encode() for p in sys.argv[1:4])
data = open(ksdat, "rb").read()
assert data.endswith(b"\r\n"), "last line not ended"
lines = data[:-2].split(b"\r\n")
for l in lines:
    assert b"\r" not in l and b"\n" not in l and b"\x1a" not in l, l
    assert l[:3] in (b"D:\\", b"E:\\"), l
    assert not l.endswith(b"\\") or len(l) == 3, l
roots = [l for l in lines if l[3:4] == b"*"]
assert [r[:4] for r in roots] == [b"D:\\*", b"E:\\*"], roots
dl = [l[3:] for l in lines if l.startswith(b"D:\\") and l[3:4] != b"*"]
el = [l for l in lines if l.startswith(b"E:\\")]

# What a scan can see: every storable folder whose parent opens, however
# deep (each opened relative to its parent, as the scan does).
want = set()
def walk(rel, fd):
    try:
        entries = list(os.scandir(fd))
    except OSError:
        return
    for ent in entries:
        n = os.fsencode(ent.name)
        if not ent.is_dir(follow_symlinks=False) or n.startswith(b"."):
            continue
        if any(c in n for c in b"\r\n\x1a\\"):
            continue
        r = rel + b"\\" + n if rel else n
        want.add(r)
        try:
            child = os.open(n, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW, dir_fd=fd)
        except OSError:
            continue
        walk(r, child)
        os.close(child)
# Run as the program's user, a folder it cannot open shows nothing here
# either.
walk(b"", os.open(d, os.O_RDONLY | os.O_DIRECTORY))
got = set(dl)
assert len(dl) == len(got), "duplicate lines"
assert got == want, (sorted(want - got)[:3], sorted(got - want)[:3])
deep = [l for l in dl if l.startswith(b"deep\\")]
longest = max(len(d) + 1 + len(l) for l in deep)
assert longest > 4096, "no listed path passes PATH_MAX"
assert b"locked" in got and b"locked\\behind" not in got
assert not any(b"inner" in l or b"up" == l.split(b"\\")[-1] for l in dl)
# A wide folder is kept whole: the root, "wide" and its 20000 folders.
assert len(el) == 20002, len(el)
print("lines ok: D %d (deepest %d levels), E %d" % (
    len(dl), max(l.count(b"\\") for l in deep), len(el)))
PY

# --- Every line reads back -------------------------------------------------
# A scan of E alone copies D's lines through the command-line reader and
# writer: byte for byte the same.
out=$(ks /sE) || fail "second scan: $out"
python3 - "$tmp/first" "$home/KS.DAT" <<'PY' || fail "D's lines changed when copied"
import sys
a, b = (open(p, "rb").read().split(b"E:\\*")[0] for p in sys.argv[1:3])
assert a == b
PY

# Addition's read pass over every line: from a listed hostile folder it
# finds the folder already there.
h=$(find "$d" -maxdepth 1 -name 'h14*')
out=$(cd "$h" && ks /a) || true
case $out in *" has already been scanned."*) ;; *) fail "/a in $h: $out" ;; esac

# --- Jumps: arrive, or say so ----------------------------------------------
jump() {  # jump TAG EXPECTED-HOST-DIR|-
  rm -f "$home/cd.sh"
  local out status
  out=$(cd "$tmp" && ks "$1") && status=0 || status=$?
  if [ "$2" = - ]; then
    [ "$status" = 0 ] || fail "jump $1: status $status: $out"
    case $out in
      *"Error changing to D:\\"*"You may need to rescan drives."*) ;;
      *) fail "jump $1 lacks the error lines: $out" ;;
    esac
    [ ! -e "$home/cd.sh" ] || fail "jump $1 wrote a cd file after failing"
  else
    [ "$status" = 1 ] || fail "jump $1: status $status: $out"
    local there
    there=$(cd / && . "$home/cd.sh" && pwd -P) || fail "cd file of $1 fails"
    [ "$there" = "$2" ] || fail "jump $1 went to '$there', not '$2'"
  fi
}
for dir in "$d"/h*; do
  tag=$(basename "$dir" | cut -c1-3)
  jump "$tag" "$dir"
done
# A folder that is listed but cannot be entered.
jump locked -
# The deepest listed level is past PATH_MAX: chdir cannot take it whole.
deepest=$(python3 - "$home/KS.DAT" <<'PY'
import sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
deep = [l for l in lines if l.startswith(b"D:\\deep\\")]
print(max(deep, key=len).rsplit(b"\\", 1)[1][:4].decode())
PY
)
jump "$deepest" -
# A listed folder removed since the scan.
rmdir "$d/h15"*/kid "$d/h15"*
jump h15 -
# --- Tree mode: the names show as text, Enter arrives or says so ------------
tree_mode() {  # START-DIR
  rm -f "$home/cd.sh" "$tmp/rc"
  cat >"$tmp/tree.sh" <<SCRIPT
cd "\$1" || exit 9
env KS95_DRIVES="C=/;D=$d;E=$e" KS95_HOME="$home" KS95_CDFILE="$home/cd.sh" \\
  ${as_user[*]} "$KS95_BIN" =ks95
echo \$? >"$tmp/rc"
SCRIPT
  tmux_start "tree$RANDOM" bash --norc --noprofile "$tmp/tree.sh" "$1"
  tmux_wait "Kestrin 95 v1.00"
}
# A name holding an escape sequence that would clear the terminal, and a bell.
h=$(find "$d" -maxdepth 1 -name 'h16*')
tree_mode "$h"
tmux_wait "F1: Help"
tmux_screen | head -1 | grep -qF "Kestrin 95 v1.00" || fail "the header row was overwritten"
tmux_keys Enter
tmux_wait_exit
[ "$(cat "$tmp/rc")" = 1 ] || fail "Enter on $h: status $(cat "$tmp/rc")"
[ "$(cd / && . "$home/cd.sh" && pwd -P)" = "$h" ] || fail "Enter did not arrive in $h"
tmux -L "$TMUX_SOCKET" kill-server
# Start in the deepest folder chdir can take; Down selects its child, whose
# path is past PATH_MAX.
parent=$(python3 - "$d" "$home/KS.DAT" <<'PY2'
import sys
lines = open(sys.argv[2], "rb").read().split(b"\r\n")
root = sys.argv[1].encode()
fits = [l[3:].replace(b"\\", b"/") for l in lines if l.startswith(b"D:\\deep\\")]
parent = max((p for p in fits if len(root) + 1 + len(p) < 4096), key=len)
sys.stdout.buffer.write(root + b"/" + parent)
PY2
)
tree_mode "$parent"
tmux_keys Down Enter
tmux_wait_exit
[ "$(cat "$tmp/rc")" = 0 ] || fail "Enter past PATH_MAX: status $(cat "$tmp/rc")"
screen=$(tmux -L "$TMUX_SOCKET" capture-pane -p -J -S - -t main)
echo "$screen" | grep -qF "Error changing to D:\\deep\\L000" || fail "Enter past PATH_MAX: no error line"
echo "$screen" | grep -qF "You may need to rescan drives." || fail "Enter past PATH_MAX: no advice line"
echo "PASS [$E2E_NAME]"
