# Command-line scan of one drive (walk, sort and rewrite of KS.DAT) against
# `find -type d` and `bfs -type d` on the same tree, same run: warm cache
# with one and two scan threads, then cold cache where the system lets us
# drop it; then the scan and sort benchmarks.  KS95_BENCH_BIG=1 adds the
# 200,000-directory, 1,000,000-file tree, made here and removed afterwards.
# Needs the native ks95 and scan_bench in $KS95_BENCH_BUILD.
set -eu
tree=${KS95_SCAN_TREE:-/tmp/ks95-bench-tree}
python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$tree"
home=$(mktemp -d)
big=""
# A removed big tree leaves a gigabyte to write back: not the next part's.
trap 'rm -rf "$home" $big; sync' EXIT
export KS95_HOME="$home"

compare() {  # TREE ROUNDS
  export KS95_DRIVES="C=/;D=$1"
  find "$1" -type d >/dev/null  # warm the cache
  "$KS95_BENCH_BUILD/ks95" =ks95 /sD >/dev/null
  # A new tree's first reading updates every directory's access time: that
  # write-back is not part of any figure.
  sync
  echo "tree: $(find "$1" -type d | wc -l) directories, $(find "$1" -type f | wc -l) files;" \
    "KS.DAT holds $(grep -ac '^D:' "$home/KS.DAT") lines of D"
  # Wall time and CPU time (user + system) of each program, alternating
  # runs; medians.  CPU time is the steadier figure on a shared machine.
  python3 - "$KS95_BENCH_BUILD/ks95" "$1" "$2" <<'PY'
import os, resource, statistics, subprocess, sys, time
ks95, tree, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
progs = {"find -type d": (["find", tree, "-type", "d"], {}),
         "bfs -type d": (["bfs", tree, "-type", "d"], {}),
         "ks95 /sD 1 thread": ([ks95, "=ks95", "/sD"], {"KS95_SCAN_THREADS": "1"}),
         "ks95 /sD 2 threads": ([ks95, "=ks95", "/sD"], {"KS95_SCAN_THREADS": "2"})}

def run(argv, extra):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL, check=True,
                   env=dict(os.environ, **extra))
    wall = (time.perf_counter() - t0) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000

def drop():
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False

def table(title, times):
    wall = {k: statistics.median(v[0] for v in times[k]) for k in times}
    cpu = {k: statistics.median(v[1] for v in times[k]) for k in times}
    print(title)
    for k in times:
        print("  %-19s wall %8.1f ms   cpu %8.1f ms" % (k, wall[k], cpu[k]))
    for k in ("ks95 /sD 1 thread", "ks95 /sD 2 threads"):
        print("ratio %-19s wall: %.2f x find, %.2f x bfs   cpu: %.2f x find, %.2f x bfs"
              % (k, wall[k] / wall["find -type d"], wall[k] / wall["bfs -type d"],
                 cpu[k] / cpu["find -type d"], cpu[k] / cpu["bfs -type d"]))

# Each round starts with the next program: a program's time depends on the
# one run just before it (caches, the core it lands on), so no one of them
# always follows the same one.
names = list(progs)
warm = {k: [] for k in progs}
for r in range(rounds):
    for name in names[r % len(names):] + names[:r % len(names)]:
        warm[name].append(run(*progs[name]))
table("warm cache, median of %d:" % rounds, warm)

if drop():
    cold = {k: [] for k in progs}
    for _ in range(3):
        for name, (argv, extra) in progs.items():
            drop()
            cold[name].append(run(argv, extra))
    table("cold cache (caches dropped before each run), median of 3:", cold)
else:
    print("cold cache: not measured, /proc/sys/vm/drop_caches cannot be written here")
PY
}

compare "$tree" 12

KS95_SCAN_TREE="$tree" "$KS95_BENCH_BUILD/scan_bench" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median|^Benchmark|^-'

python3 "$KS95_SOURCE_DIR/bench/scan_counter.py" "$KS95_BENCH_BUILD/ks95" "$tree" "$home"

if [ "${KS95_BENCH_BIG:-0}" = 1 ]; then
  big=$(mktemp -d /tmp/ks95-bench-big.XXXXXX)
  python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$big" big
  echo "big tree:"
  compare "$big" 4
fi
