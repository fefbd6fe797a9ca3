#!/usr/bin/env bash
# scripts/check-layers passes the real tree and fails each kind of wrong
# include: upward, sideways between browser and cmdline, into a backend, and
# a folder it has no layer for.
set -u
check=${1:?usage: layers_test.sh CHECK-LAYERS SRC}
real=${2:?}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

"$check" "$real" > /dev/null || { echo "FAIL: the real tree"; fail=1; }

expect_fail() {  # name file include
  rm -rf "$tmp/src"
  mkdir -p "$tmp/src/platform" "$tmp/src/store" "$tmp/src/posix" \
    "$tmp/src/browser" "$tmp/src/cmdline"
  mkdir -p "$(dirname "$tmp/src/$2")"
  printf '#include "%s"\n' "$3" > "$tmp/src/$2"
  if "$check" "$tmp/src" > /dev/null 2>&1; then
    echo "FAIL: $1 was let through"
    fail=1
  fi
}
expect_fail upward platform/a.cpp store/load.h
expect_fail sideways browser/a.cpp cmdline/jump.h
expect_fail backend store/a.cpp posix/drive_map.h
expect_fail "unknown folder" misc/a.cpp platform/system.h

# And a downward include is fine.
rm -rf "$tmp/src"; mkdir -p "$tmp/src/store"
printf '#include "platform/system.h"\n' > "$tmp/src/store/a.cpp"
"$check" "$tmp/src" > /dev/null || { echo "FAIL: a downward include"; fail=1; }
exit $fail
