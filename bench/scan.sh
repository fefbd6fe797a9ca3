# Command-line scan of one drive against `find -type d` on the same tree, warm
# cache, same run; then the scan and sort benchmarks.  Needs the native
# ks95 and scan_bench in $KS95_BENCH_BUILD.
set -eu
tree=${KS95_SCAN_TREE:-/tmp/ks95-bench-tree}
python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$tree"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export KS95_DRIVES="C=/;D=$tree" KS95_HOME="$home"

find "$tree" -type d >/dev/null  # warm the cache
"$KS95_BENCH_BUILD/ks95" =ks95 /sD >/dev/null
echo "tree: $(find "$tree" -type d | wc -l) directories, $(find "$tree" -type f | wc -l) files;" \
  "KS.DAT holds $(grep -ac '^D:' "$home/KS.DAT") lines of D"

# Wall time and CPU time (user + system) of each program, alternating runs;
# medians.  CPU time is the steadier figure on a shared machine.
python3 - "$KS95_BENCH_BUILD/ks95" "$tree" <<'PY'
import os, resource, statistics, subprocess, sys, time
ks95, tree = sys.argv[1], sys.argv[2]
progs = {"find -type d": ["find", tree, "-type", "d"], "ks95 /sD": [ks95, "=ks95", "/sD"]}
wall = {k: [] for k in progs}
cpu = {k: [] for k in progs}
for _ in range(9):
    for name, argv in progs.items():
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t0 = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL, check=True)
        wall[name].append((time.perf_counter() - t0) * 1000)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu[name].append((after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000)
for name in progs:
    print("%-13s wall %7.1f ms   cpu %7.1f ms   (median of 9)"
          % (name, statistics.median(wall[name]), statistics.median(cpu[name])))
f, k = "find -type d", "ks95 /sD"
dirs = sum(1 for l in open(os.path.join(os.environ["KS95_HOME"], "KS.DAT"), "rb") if l.startswith(b"D:"))
print("ratio ks95/find: wall %.2f, cpu %.2f (target <= 0.8)   directories/s (wall): %.0f"
      % (statistics.median(wall[k]) / statistics.median(wall[f]),
         statistics.median(cpu[k]) / statistics.median(cpu[f]),
         dirs / (statistics.median(wall[k]) / 1000)))
PY

KS95_SCAN_TREE="$tree" "$KS95_BENCH_BUILD/scan_bench" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median|^Benchmark|^-'

python3 "$KS95_SOURCE_DIR/bench/scan_counter.py" "$KS95_BENCH_BUILD/ks95" "$tree" "$home"
