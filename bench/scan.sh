# Command-line scan of one drive against `find -type d` on the same tree, warm
# cache, same run; then the scan and sort benchmarks.  Needs the native
# ks95 and scan_bench in $KS95_BENCH_BUILD.
set -eu
tree=${KS95_SCAN_TREE:-/tmp/ks95-bench-tree}
python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$tree"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
bin="$KS95_BENCH_BUILD/ks95"
runs=7

now() { date +%s%N; }
# Median wall time in ms of `runs` runs of the command.
median_ms() {
  local t0 t1 i
  for i in $(seq "$runs"); do
    t0=$(now)
    "$@" >/dev/null 2>&1 </dev/null
    t1=$(now)
    echo $(((t1 - t0) / 1000))
  done | sort -n | sed -n "$(((runs + 1) / 2))p" | awk '{printf "%.1f", $1 / 1000}'
}

find "$tree" -type d >/dev/null  # warm the cache
dirs=$(find "$tree" -type d | wc -l)
scan() { KS95_DRIVES="C=/;D=$tree" KS95_HOME="$home" "$bin" =ks95 /sD; }
scan >/dev/null 2>&1 </dev/null || true
lines=$(grep -ac '^D:' "$home/KS.DAT" || true)
find_ms=$(median_ms find "$tree" -type d)
scan_ms=$(median_ms scan)
echo "tree: $dirs directories, $(find "$tree" -type f | wc -l) files; KS.DAT holds $lines lines of D"
echo "find -type d: $find_ms ms   ks95 /sD: $scan_ms ms   (median of $runs)"
awk -v f="$find_ms" -v s="$scan_ms" -v d="$lines" 'BEGIN {
  printf "ratio ks95/find: %.2f (target <= 0.8)   directories/s: %.0f\n", s / f, d / (s / 1000) }'
KS95_SCAN_TREE="$tree" "$KS95_BENCH_BUILD/scan_bench" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median|^Benchmark|^-'
