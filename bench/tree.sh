# Tree-mode load against `wc -l` on the same generated scan file, and the
# per-key cost of navigation on a 10,000-entry drive.  Medians of five
# repetitions; wc -l averaged over 20 runs.  Wall time and CPU time both,
# since the machine may be shared.
set -eu
bin="$KS95_BENCH_BUILD/tree_bench"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
dat=$dir/KS.DAT
csv=$("$bin" --ks-dat="$dat" --benchmark_format=csv --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true 2>/dev/null)
echo "scan file: $(wc -l <"$dat") lines, $(wc -c <"$dat") bytes"
wc -l "$dat" >/dev/null  # warm the page cache
TIMEFORMAT='%3R %3U %3S'
read -r wall user sys < <({ time (for _ in $(seq 20); do wc -l "$dat" >/dev/null; done); } 2>&1)
echo "$csv" | awk -F, -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" '
  BEGIN { wcw = wall * 1000 / 20; wcc = cpu * 1000 / 20
          printf "wc -l: %.3f ms wall, %.3f ms cpu\n", wcw, wcc }
  $1 ~ /^"BM_LoadTreeMode_median"/ {
    printf "reload (tree mode, prefixes): %.3f ms wall, %.3f ms cpu   ratio %.1fx wall, %.1fx cpu (target <= 10x)\n", $3, $4, $3 / wcw, $4 / wcc }
  $1 ~ /^"BM_FirstLoad_median"/ {
    printf "first load into an empty table: %.3f ms wall, %.3f ms cpu   ratio %.1fx wall, %.1fx cpu\n", $3, $4, $3 / wcw, $4 / wcc }
  $1 ~ /^"BM_Key.*_median"/ {
    name = $1; gsub(/"|BM_Key|_median/, "", name)
    printf "key %-9s %8.2f us wall, %8.2f us cpu per key (target < 1000 us)\n", name ":", $3, $4 }'
