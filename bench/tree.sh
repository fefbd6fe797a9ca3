# Tree mode over the big generated scan file (drive C of 1,000,000 entries,
# 25 drives of 10,000): load to the first screen, peak memory, every
# navigation key on C, speed-search keys, and Delete with its rewrite and
# reload, each against `wc -l` of the same file measured in the same run.
set -eu
. "$KS95_SOURCE_DIR/bench/big_scan_file.bash"
bin="$KS95_BENCH_BUILD/tree_bench"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
dat=$dir/KS.DAT
cp "$BIG_SCAN_FILE" "$dat"  # Delete rewrites it
bytes=$(wc -c <"$dat")
echo "scan file: $(wc -l <"$dat") lines, $bytes bytes; drive C $(grep -ac '^C' "$dat") lines"

# wc -l: median wall and CPU time of 9 runs, warm cache.
read -r wcw wcc < <(python3 - "$dat" <<'PY'
import os, statistics, subprocess, sys, time
wall, cpu = [], []
subprocess.run(["wc", "-l", sys.argv[1]], stdout=subprocess.DEVNULL)
for _ in range(9):
    t0 = time.perf_counter()
    p = subprocess.Popen(["wc", "-l", sys.argv[1]], stdout=subprocess.DEVNULL)
    _, _, ru = os.wait4(p.pid, 0)
    wall.append((time.perf_counter() - t0) * 1000)
    cpu.append((ru.ru_utime + ru.ru_stime) * 1000)
print("%.3f %.3f" % (statistics.median(wall), statistics.median(cpu)))
PY
)
echo "wc -l: $wcw ms wall, $wcc ms cpu"

"$bin" --ks-dat="$dat" --peak | awk -v b="$bytes" '{
  print
  kib = $2; limit = (1.5 * b + 16 * 1048576) / 1024
  printf "tree-mode peak memory: %.1f MiB, %.2fx the file (target <= 1.5x file + 16 MiB = %.1f MiB)\n",
    kib / 1024, kib * 1024 / b, limit / 1024 }'

csv=$("$bin" --ks-dat="$dat" --benchmark_format=csv --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true 2>/dev/null)
echo "$csv" | awk -F, -v wcw="$wcw" -v wcc="$wcc" '
  $1 ~ /^"BM_LoadToFirstScreen.*_median"/ {
    printf "load to first screen: %.1f ms wall, %.1f ms cpu   ratio %.1fx wall, %.1fx cpu (target <= 8x)\n", $3, $4, $3 / wcw, $4 / wcc }
  $1 ~ /^"BM_DeleteRewriteReload.*_median"/ {
    printf "delete, rewrite, reload: %.1f ms wall, %.1f ms cpu   ratio %.1fx wall, %.1fx cpu (target <= 12x)\n", $3, $4, $3 / wcw, $4 / wcc }
  $1 ~ /^"BM_Key.*_median"/ {
    name = $1; gsub(/"|BM_Key|_median|\/min_time:[0-9.]*/, "", name)
    printf "key %-9s %8.2f us wall, %8.2f us cpu per key (target < 1000 us cpu)\n", name ":", $3, $4 }
  $1 ~ /^"BM_Search.*_median"/ {
    name = $1; gsub(/"|BM_Search|_median|\/min_time:[0-9.]*/, "", name)
    printf "speed search %-9s %8.2f us wall, %8.2f us cpu per key (target: no match < 10000 us, typical < 1000 us)\n", name ":", $3, $4 }'
