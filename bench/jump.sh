#!/usr/bin/env bash
# `KS name` as a whole process on a full scan file (26 drives of 10,000
# lines, one match, so no chooser), against `wc -l` on the same file.
set -eu
bin="$KS95_BENCH_BUILD/ks95"
runs=${KS95_BENCH_RUNS:-20}
tmp=$(mktemp -d /tmp/ks95-bench-jump.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

drives=""
for l in A B C D E F G H I J K L M N O P Q R S T U V W X Y Z; do
  mkdir -p "$tmp/drive/$l"
  drives="$drives${drives:+;}$l=$tmp/drive/$l"
done
mkdir -p "$tmp/home" "$tmp/drive/M/PROJECTS/P0500/TARGETDIR"
awk 'BEGIN {
  for (d = 0; d < 26; d++) {
    l = sprintf("%c", 65 + d)
    printf "%s:\\*07.12.2026 10:15:00\r\n", l
    for (i = 1; i < 10000; i++) {
      if (l == "M" && i == 5000) printf "%s:\\PROJECTS\\P%04d\\TARGETDIR\r\n", l, i / 10
      else printf "%s:\\PROJECTS\\P%04d\\SRC%05d\r\n", l, i / 10, i
    }
  }
}' > "$tmp/home/KS.DAT"

export KS95_DRIVES="$drives" KS95_HOME="$tmp/home" KS95_CDFILE="$tmp/cd"
cd "$tmp/drive/C"
status=0
"$bin" =ks95 targetdir </dev/null >"$tmp/out" 2>&1 || status=$?
if [ "$status" != 1 ] || ! grep -q TARGETDIR "$tmp/cd" 2>/dev/null; then
  echo "jump did not happen (exit $status): $(head -c 200 "$tmp/out")"
  exit 1
fi

now() { date +%s%N; }
t0=$(now)
for _ in $(seq "$runs"); do "$bin" =ks95 targetdir </dev/null >/dev/null 2>&1 || true; done
t1=$(now)
for _ in $(seq "$runs"); do wc -l "$tmp/home/KS.DAT" >/dev/null; done
t2=$(now)
ks=$(((t1 - t0) / runs / 1000))
wc=$(((t2 - t1) / runs / 1000))
echo "lines: $(wc -l < "$tmp/home/KS.DAT"), bytes: $(wc -c < "$tmp/home/KS.DAT")"
echo "ks95 =ks95 targetdir: ${ks} us per run"
echo "wc -l KS.DAT:         ${wc} us per run"
awk -v a="$ks" -v b="$wc" 'BEGIN { printf "ratio: %.2f (target <= 6)\n", a / (b > 0 ? b : 1) }'
