#!/usr/bin/env bash
# One Tab of `ks` completion on a 260,000-line scan file: the program's
# completion mode alone, the whole bash completion function as Tab runs it,
# and a shell text pipeline (grep + sed + sort) doing the same job, against
# `wc -l` on the same file.
set -eu
bin="$KS95_BENCH_BUILD/ks95"
runs=${KS95_BENCH_RUNS:-20}
tmp=$(mktemp -d /tmp/ks95-bench-complete.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home"
awk 'BEGIN {
  split("src docs build tests wiki Windows lib include assets node_modules", w, " ")
  for (d = 0; d < 10; d++) {
    l = sprintf("%c", 67 + d)
    printf "%s:\\*07.12.2026 10:15:00\r\n", l
    for (i = 1; i < 26000; i++)
      printf "%s:\\PROJECTS\\P%04d\\%s%05d\r\n", l, i / 10, w[i % 10 + 1], i
  }
}' > "$tmp/home/KS.DAT"
export KS95_HOME="$tmp/home" KS95_PROGRAM="$bin"

now() { date +%s%N; }
per_run() { echo $(( ($2 - $1) / runs / 1000 )); }
# A word typical of a Tab (a few candidates) and one that matches a fifth of
# the file.
for word in wiki0001 wi; do
  count=$("$bin" =ks95 --complete "$word" | wc -l)
  [ "$count" -ge 1 ] || { echo "completion found nothing for $word"; exit 1; }
  t0=$(now)
  for _ in $(seq "$runs"); do "$bin" =ks95 --complete "$word" >/dev/null; done
  t1=$(now)
  tab=$(bash -c '. "$1/launcher/ks.sh"
    COMP_LINE="ks $3"; COMP_POINT=${#COMP_LINE}
    for _ in $(seq "$2"); do __ks95_complete_bash; done
    echo "${#COMPREPLY[@]}"' _ "$KS95_SOURCE_DIR" "$runs" "$word")
  t2=$(now)
  for _ in $(seq "$runs"); do
    grep -v '^.:\\\*' "$tmp/home/KS.DAT" | sed 's/.*\\//; s/\r$//' |
      grep -i "^$word" | sort -u >/dev/null
  done
  t3=$(now)
  for _ in $(seq "$runs"); do wc -l "$tmp/home/KS.DAT" >/dev/null; done
  t4=$(now)
  [ "$tab" = "$count" ] || { echo "bash completion gave $tab names, not $count"; exit 1; }
  ks=$(per_run "$t0" "$t1"); fn=$(per_run "$t1" "$t2")
  pipe=$(per_run "$t2" "$t3"); wc=$(per_run "$t3" "$t4")
  echo "word '$word': $count candidates of $(wc -l < "$tmp/home/KS.DAT") lines"
  echo "  ks95 --complete:         ${ks} us per Tab"
  echo "  bash Tab (whole):        ${fn} us per Tab (target < 100000)"
  echo "  grep|sed|grep|sort -u:   ${pipe} us per Tab"
  echo "  wc -l KS.DAT:            ${wc} us per run"
  awk -v w="$word" -v a="$fn" -v b="$wc" -v c="$pipe" 'BEGIN {
    printf "ratio '%s': bash Tab / wc -l %.1f, text pipeline / bash Tab %.1f\n",
      w, a / (b > 0 ? b : 1), c / (a > 0 ? a : 1) }'
done
