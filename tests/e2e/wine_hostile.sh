#!/bin/bash
# Hostile trees under Wine: names with the characters cmd.exe treats
# specially, a chain of folders whose path passes 260 characters, and a link
# back to an ancestor.  The scan writes only lines that read back, and a
# jump through KS.BAT to any listed folder arrives there or says it cannot.
: "${KS95_SOURCE_DIR:?}" "${KS95_BIN:?}"  # unset, every path below would be in /
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
wine_setup
d="$tmp/d"
mkdir -p "$d/KS"
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$d/KS/"
names=("a b" "q'uote" "%PATH%" "^caret" "amp&x" '$HOME' '`tick`' ";semi"
       "!bang" "(paren)" "pct%1" "x=y,z" "#hash")
for i in "${!names[@]}"; do
  mkdir -p "$d/$(printf 'h%02d' "$i")${names[$i]}/kid"
done
ln -s .. "$d/h00a b/up"
# 20 levels of 20 characters: the path passes 260 characters at level 13.
python3 - "$d" <<'PY'
import os, sys
p = os.path.join(sys.argv[1], "long")
for level in range(20):
    p = os.path.join(p, "N%02d_padding_padding" % level)
os.makedirs(p)
PY
wine_map_drive D "$d"

run_batch() {  # LINES... : run them in cmd.exe in a pane of its own
  rm -f "$d/done.txt"
  printf '%s\r\n' '@echo off' "$@" 'echo done > D:\done.txt' >"$d/run.bat"
  tmux_start "hostile$RANDOM" wine cmd /c 'D:\run.bat'
  # The pane may be blank once Wine has ended: the file tells instead.
  tmux_wait_exit 120
  [ -f "$d/done.txt" ] || fail "the batch did not run to its end"
}
cd "$d"
run_batch 'D:' 'cd \KS' 'ks95.exe =ks95 /sD > D:\scan.txt' \
  'copy KS.DAT D:\first.dat > nul' 'ks95.exe =ks95 /sD > nul'
tmux -L "$TMUX_SOCKET" kill-server

grep -q "1 drive(s) scanned" "$d/scan.txt" || fail "scan said: $(cat "$d/scan.txt")"
python3 - "$d" "$d/KS/KS.DAT" "$d/first.dat" <<'PY' || fail "scan file check failed"
import os, sys
root, ksdat, first = sys.argv[1], sys.argv[2], sys.argv[3]
data = open(ksdat, "rb").read()
assert data.endswith(b"\r\n")
lines = data[:-2].split(b"\r\n")
assert lines[0].startswith(b"D:\\*"), lines[0]
for l in lines[1:]:
    assert l.startswith(b"D:\\") and b"\r" not in l and b"\n" not in l, l
got = set(l[3:] for l in lines[1:])
for n in os.listdir(root):
    if n.startswith("h"):
        assert n.encode() in got and (n + "\\kid").encode() in got, n
assert not any(l.endswith(b"\\up") for l in got), "the link was followed"
longest = max((l for l in got if l.startswith(b"long")), key=len)
assert len(longest) + 3 > 260, longest
# A second scan of the same tree writes the same lines.
old = open(first, "rb").read().split(b"\r\n")[1:]
assert old == lines[1:] + [b""], "a rescan changed the lines"
print("lines ok: %d, longest %d characters" % (len(lines), len(longest) + 3))
PY

# The deepest listed folder of the chain: chdir cannot take its path.
deepest=$(python3 - "$d/KS/KS.DAT" <<'PY'
import sys
lines = open(sys.argv[1], "rb").read().split(b"\r\n")
print(max((l for l in lines if l.startswith(b"D:\\long\\")), key=len)
      .rsplit(b"\\", 1)[1][:4].decode())
PY
)
jumps=()
for i in "${!names[@]}"; do
  jumps+=("call D:\\KS\\KS.BAT $(printf 'h%02d' "$i")" 'cd >> D:\where.txt')
done
jumps+=('cd \' "call D:\\KS\\KS.BAT $deepest > D:\err.txt" 'cd >> D:\where.txt')
run_batch 'D:' 'cd \' "${jumps[@]}"
screen=$(tr -d '\r' <"$d/err.txt")
where=$(tr -d '\r' <"$d/where.txt")
i=0
while IFS= read -r line; do
  if [ "$i" -lt "${#names[@]}" ]; then
    want="D:\\$(printf 'h%02d' "$i")${names[$i]}"
    [ "$line" = "$want" ] || fail "jump $i ended in '$line', not '$want'"
  else
    # Past 260 characters: the shell stays where it was, with the error lines.
    [ "$line" = 'D:\' ] || fail "long jump ended in '$line'"
  fi
  i=$((i + 1))
done <<<"$where"
[ "$i" = $((${#names[@]} + 1)) ] || fail "$i jumps recorded"
echo "$screen" | grep -qF 'Error changing to D:\long\N00' || fail "no error line for the long path"
echo "$screen" | grep -qF "You may need to rescan drives." || fail "no advice line for the long path"
echo "PASS [$E2E_NAME]"
