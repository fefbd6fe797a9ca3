# The POSIX system backend on a real file system: file operations, what the
# enumeration reports for links, drive presence and the current directory as
# a drive path.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
PROBE="$KS95_BUILD_DIR/sys_probe"
mkdir -p "$T/d/files" "$T/d/tree/dir" "$T/d/tree/deep/er" "$T/e"
export KS95_DRIVES="C=/;D=$T/d;E=$T/e;F=$T/missing"

out=$("$PROBE" files 'D:\files') || fail "file operations: $out"
[ "$out" = "files ok" ] || fail "file operations: $out"

cd "$T/d/tree"
: > file
ln -s dir link-dir
ln -s file link-file
ln -s nowhere link-dangling
mkdir 'back\slash'
listing=$("$PROBE" list 'D:\tree' | grep -v '^\.' | sort)
expected='deep 10
dir 10
file 20
link-dangling 400
link-dir 410
link-file 400'
[ "$listing" = "$expected" ] || fail "listing:
$listing"

[ "$("$PROBE" drives)" = CDE ] || fail "drives: $("$PROBE" drives)"
[ "$(cd "$T/d/tree/deep/er" && "$PROBE" cwd)" = 'D:\tree\deep\er' ] ||
  fail "cwd: $(cd "$T/d/tree/deep/er" && "$PROBE" cwd)"
# A longer root below another wins; outside every root the host path stays.
[ "$(cd "$T/e" && KS95_DRIVES="C=$T;E=$T/e" "$PROBE" cwd)" = 'E:\' ] ||
  fail "nested roots"
[ "$(cd "$T/d" && KS95_DRIVES="E=$T/e" "$PROBE" cwd)" = "$T/d" ] ||
  fail "outside every drive"
# A removed working directory is "." (stay), not some other directory.
mkdir "$T/gone"
[ "$(cd "$T/gone" && rmdir "$T/gone" && "$PROBE" cwd)" = . ] ||
  fail "removed working directory"
echo "PASS [$E2E_NAME]"
