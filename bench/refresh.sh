# A jump that finds nothing and so rescans its drive first, as a whole
# process, against a full command-line scan of the same drive (/sD) in the
# same run, on the 200,000-directory, 1,000,000-file tree of the scan
# benchmark, unchanged between runs; warm cache.  The same jump with
# KS95_REFRESH=off shows what the miss costs without the rescan.
# KS95_BENCH_BIG_TREE names a tree made by `scan_tree.py DIR big` to reuse
# (kept); otherwise one is made here and removed afterwards.
# Needs the native ks95 in $KS95_BENCH_BUILD.
set -eu
home=$(mktemp -d)
made=""
tree=${KS95_BENCH_BIG_TREE:-}
if [ -z "$tree" ]; then
  made=$(mktemp -d /tmp/ks95-bench-refresh.XXXXXX)
  tree=$made
fi
# A removed big tree leaves a gigabyte to write back: not the next part's.
trap 'rm -rf "$home" $made; sync' EXIT
python3 "$KS95_SOURCE_DIR/bench/scan_tree.py" "$tree" big
export KS95_HOME="$home" KS95_DRIVES="C=$home;D=$tree"
find "$tree" -type d >/dev/null  # warm the cache
"$KS95_BENCH_BUILD/ks95" =ks95 /sD >/dev/null
# Neither the new tree's write-back nor that of the access times its first
# readings updated is part of any figure, nor what earlier runs left.
sync
echo "tree: $(grep -ac '^D:' "$home/KS.DAT") lines of D in KS.DAT"

python3 - "$KS95_BENCH_BUILD/ks95" "${KS95_REFRESH_ROUNDS:-5}" <<'PY'
import os, resource, statistics, subprocess, sys, time
ks95, rounds = sys.argv[1], int(sys.argv[2])
miss = "NoSuchFolder%d" % os.getpid()
# The reference is the plain walk, which reads every directory and leaves
# the record the refresh reuses as it is.
progs = {"full scan /sD": ([ks95, "=ks95", "/sD"], {"KS95_RESCAN": "off"}, None),
         "jump miss + refresh": ([ks95, "=ks95", miss], {}, "not found"),
         "jump miss, refresh off": ([ks95, "=ks95", miss], {"KS95_REFRESH": "off"}, "not found")}

def run(argv, extra, expect):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    p = subprocess.run(argv, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                       env=dict(os.environ, **extra))
    wall = (time.perf_counter() - t0) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if expect is not None and expect.encode() not in p.stdout:
        sys.exit("unexpected output of %s: %r" % (argv, p.stdout[:200]))
    return wall, (after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000

names = list(progs)
times = {k: [] for k in progs}
for r in range(rounds):
    for name in names[r % len(names):] + names[:r % len(names)]:
        times[name].append(run(*progs[name]))
wall = {k: statistics.median(v[0] for v in times[k]) for k in times}
cpu = {k: statistics.median(v[1] for v in times[k]) for k in times}
print("warm cache, unchanged tree, median of %d:" % rounds)
for k in names:
    print("  %-23s wall %8.1f ms   cpu %8.1f ms" % (k, wall[k], cpu[k]))
ref = "full scan /sD"
for k in names[1:]:
    note = " (target <= 0.3)" if k == "jump miss + refresh" else ""
    print("ratio %-23s wall: %.2f x full scan   cpu: %.2f x full scan%s"
          % (k, wall[k] / wall[ref], cpu[k] / cpu[ref], note))
PY
