# Incremental rescans (`ks95 /sD` with the drive's record beside KS.DAT)
# against full scans of the same tree in the same run: the
# 200,000-directory, 1,000,000-file tree of the scan benchmark, made here
# and removed afterwards.  Warm cache unchanged, cold cache (where caches can
# be dropped), after 1 % of the directories changed; peak memory; the
# record's size.  The full scan is the plain walk (KS95_RESCAN=off), with the
# default threads.  Needs the native ks95 in $KS95_BENCH_BUILD.
set -eu
tree=$(mktemp -d /tmp/ks95-bench-rescan.XXXXXX)
home=$(mktemp -d)
# A removed big tree leaves a gigabyte to write back: not the next part's.
trap 'rm -rf "$home" "$tree"; sync' EXIT
python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$tree" big
export KS95_HOME="$home" KS95_DRIVES="C=/;D=$tree"
python3 - "$KS95_BENCH_BUILD/ks95" "$tree" "$home" <<'PY'
import os, random, statistics, subprocess, sys, time
ks95, tree, home = sys.argv[1:4]
FULL = {"KS95_RESCAN": "off"}
INCR = {}

def run(extra, show=False):
    t0 = time.perf_counter()
    p = subprocess.Popen([ks95, "=ks95", "/sD"], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, env=dict(os.environ, **extra))
    out = p.stdout.read().decode(errors="replace")
    _, status, usage = os.wait4(p.pid, 0)
    wall = (time.perf_counter() - t0) * 1000
    if status != 0:
        sys.exit("ks95 failed: " + out)
    if show:
        for line in out.splitlines():
            if "directories read" in line:
                print("  " + line.strip())
    return wall, (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_maxrss

def drop():
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False

def med(samples):
    return [statistics.median(s[i] for s in samples) for i in range(3)]

def line(name, m):
    print("  %-34s wall %8.1f ms   cpu %8.1f ms   peak %7.1f MB" % (name, m[0], m[1], m[2] / 1024))

dirs = sum(1 for _ in os.walk(tree))
print("tree: %d directories" % dirs)
run({"KS95_RESCAN": "full"})  # the record
# Neither the new tree's write-back nor that of the access times its first
# readings updated is part of any figure, nor what earlier runs left.
os.sync()
time.sleep(4)                 # older than the window of doubt
run(INCR)
rounds = 7
full, incr = [], []
for r in range(rounds):       # alternating, so neither always runs second
    for kind in ((FULL, full), (INCR, incr)) if r % 2 == 0 else ((INCR, incr), (FULL, full)):
        kind[1].append(run(kind[0]))
f, i = med(full), med(incr)
print("warm cache, median of %d:" % rounds)
line("full scan (plain walk)", f)
line("incremental rescan, unchanged", i)
run({"KS95_SCAN_FIGURES": "1"}, show=True)
print("ratio unchanged warm: wall %.3f x full, cpu %.3f x full" % (i[0] / f[0], i[1] / f[1]))
# The part of it no rescan can do without, on as many threads as the scan.
floor = subprocess.run([os.path.join(os.path.dirname(ks95), "stat_floor_bench"), tree,
                        str(min(os.cpu_count() or 1, 8))], stdout=subprocess.PIPE, text=True).stdout
print(floor.strip())
ms = float(floor.split("median ")[1].split(" ms")[0])
print("ratio floor: status calls alone %.3f x full (wall)" % (ms / f[0]))
record = os.path.getsize(os.path.join(home, "KS.DAT.D"))
print("record: %d bytes, %.1f bytes per directory" % (record, record / dirs))
print("peak memory: incremental %.1f MB, full %.1f MB, difference %+.1f bytes per directory"
      % (i[2] / 1024, f[2] / 1024, (i[2] - f[2]) * 1024 / dirs))

if drop():
    cf, ci = [], []
    for _ in range(3):
        drop()
        cf.append(run(FULL))
        drop()
        ci.append(run(INCR))
    f2, i2 = med(cf), med(ci)
    print("cold cache (caches dropped before each run), median of 3:")
    line("full scan (plain walk)", f2)
    line("incremental rescan, unchanged", i2)
    print("ratio unchanged cold: wall %.3f x full, cpu %.3f x full" % (i2[0] / f2[0], i2[1] / f2[1]))
else:
    print("cold cache: not measured, /proc/sys/vm/drop_caches cannot be written here")

# 1 % of the directories created, removed or renamed (a third each), then one
# rescan; three times over, each on fresh changes.  Changes made just before
# a rescan are read again by the next one (they fall in its window of
# doubt): an untimed rescan past the window settles them between rounds, so
# that each round reads its own changes only.  Each round also times a full
# scan of the changed tree right after, the reference for this figure: the
# machine's pace drifts over the minutes since the warm runs.
rng = random.Random(1)
mids = [os.path.join(tree, "Top%02d" % a, "mid%02d" % b) for a in range(20) for b in range(100)]
changed, fulls = [], []
for rep in range(5):
    if rep > 0:
        time.sleep(4)
        run(INCR)
    n = dirs // 100 // 3
    for k in range(n):
        os.mkdir(os.path.join(rng.choice(mids), "new%d_%d" % (rep, k)))
    for k in range(n):
        m = rng.choice(mids)
        leaves = [e for e in os.listdir(m) if e.startswith("Leaf")]
        if leaves:
            leaf = os.path.join(m, rng.choice(leaves))
            for f_ in os.listdir(leaf):
                os.unlink(os.path.join(leaf, f_))
            os.rmdir(leaf)
    for k in range(n):
        m = rng.choice(mids)
        leaves = [e for e in os.listdir(m) if e.startswith("Leaf")]
        if leaves:
            os.rename(os.path.join(m, rng.choice(leaves)),
                      os.path.join(rng.choice(mids), "moved%d_%d" % (rep, k)))
    changed.append(run(INCR, show=rep == 0))
    fulls.append(run(FULL))
c, f3 = med(changed), med(fulls)
print("after 1 % of the directories changed, median of 5:")
line("full scan (plain walk)", f3)
line("incremental rescan, 1 % changed", c)
print("ratio 1%% changed: wall %.3f x full, cpu %.3f x full" % (c[0] / f3[0], c[1] / f3[1]))
PY
