# Whole processes on the big generated scan file (drive C of 1,000,000
# entries, 25 drives of 10,000), against `wc -l` of the same file in the
# same run: `KS targetdir` with its one match (no chooser), and /a adding a
# folder below one of C's first-level folders.  Medians of alternating runs,
# wall and CPU time, and each program's peak resident size (/usr/bin/time).
set -eu
. "$KS95_SOURCE_DIR/bench/big_scan_file.bash"
bin="$KS95_BENCH_BUILD/ks95"
tmp=$(mktemp -d /tmp/ks95-bench-jump.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

drives=""
for l in A B C D E F G H I J K L M N O P Q R S T U V W X Y Z; do
  mkdir -p "$tmp/drive/$l"
  drives="$drives${drives:+;}$l=$tmp/drive/$l"
done
mkdir -p "$tmp/home" "$tmp/drive/M/TargetDir"
cp "$BIG_SCAN_FILE" "$tmp/home/KS.DAT"
# /a runs in a new folder below C's first first-level folder.
top=$(grep -a -m1 '^C:\\[^\\*]*'$'\r''$' "$tmp/home/KS.DAT" | tr -d '\r')
top=${top#C:\\}
mkdir -p "$tmp/drive/C/$top/ks95 bench new"

export KS95_DRIVES="$drives" KS95_HOME="$tmp/home" KS95_CDFILE="$tmp/cd"
cd "$tmp/drive/C"
status=0
"$bin" =ks95 targetdir </dev/null >"$tmp/out" 2>&1 || status=$?
if [ "$status" != 1 ] || ! grep -q TargetDir "$tmp/cd" 2>/dev/null; then
  echo "jump did not happen (exit $status): $(head -c 200 "$tmp/out")"
  exit 1
fi
echo "scan file: $(wc -l <"$tmp/home/KS.DAT") lines, $(wc -c <"$tmp/home/KS.DAT") bytes"

python3 - "$bin" "$tmp" "$top" <<'PY'
import os, shutil, statistics, subprocess, sys, time
ks95, tmp, top = sys.argv[1:]
dat = os.path.join(tmp, "home", "KS.DAT")
keep = dat + ".orig"
shutil.copyfile(dat, keep)
newdir = os.path.join(tmp, "drive", "C", top, "ks95 bench new")
runs = {"wc -l": (["wc", "-l", dat], os.path.join(tmp, "drive", "C")),
        "ks95 targetdir": ([ks95, "=ks95", "targetdir"], os.path.join(tmp, "drive", "C")),
        "ks95 /a": ([ks95, "=ks95", "/a"], newdir)}
wall = {k: [] for k in runs}; cpu = {k: [] for k in runs}; peak = {k: 0 for k in runs}
for _ in range(7):
    for name, (argv, cwd) in runs.items():
        if name == "ks95 /a":
            shutil.copyfile(keep, dat)
            os.sync()  # the copy's own write-back is not /a's
        t0 = time.perf_counter()
        p = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, st, ru = os.wait4(p.pid, 0)
        wall[name].append((time.perf_counter() - t0) * 1000)
        cpu[name].append((ru.ru_utime + ru.ru_stime) * 1000)
# Peak resident size from /usr/bin/time: a child's own maxrss from wait4
# would include the forking Python's pages.
for name, (argv, cwd) in runs.items():
    if name == "ks95 /a":
        shutil.copyfile(keep, dat)
    out = os.path.join(tmp, "peak")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out] + argv, cwd=cwd,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as f:
        peak[name] = int(f.read().split()[-1])
with open(dat, "rb") as f:
    added = f.read().count(("C:\\%s\\ks95 bench new\r\n" % top).encode("latin-1"))
if added != 1:
    print("/a did not add its line"); sys.exit(1)
ref_w, ref_c = statistics.median(wall["wc -l"]), statistics.median(cpu["wc -l"])
print("wc -l: %.2f ms wall, %.2f ms cpu" % (ref_w, ref_c))
# What any durable rewrite of a file this size waits for on this disk: the
# same bytes written anew and flushed (the floor under /a's wall time).
with open(keep, "rb") as f:
    data = f.read()
flush = []
for _ in range(5):
    path = os.path.join(tmp, "flush-probe")
    t0 = time.perf_counter()
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    os.write(fd, data)
    os.fsync(fd)
    os.close(fd)
    flush.append((time.perf_counter() - t0) * 1000)
    os.unlink(path)
    os.sync()
fw = statistics.median(flush)
print("write + fsync of the same bytes: %.2f ms wall, %.2fx wc -l" % (fw, fw / ref_w))
for name, target in (("ks95 targetdir", "<= 4x, peak < 8 MiB"), ("ks95 /a", "<= 6x")):
    w, c = statistics.median(wall[name]), statistics.median(cpu[name])
    print("%s: %.2f ms wall, %.2f ms cpu, peak %.1f MiB   ratio %.2fx wall, %.2fx cpu (target %s)"
          % (name, w, c, peak[name] / 1024, w / ref_w, c / ref_c, target))
PY
