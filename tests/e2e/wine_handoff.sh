# The Windows build under Wine with a real cmd.exe: `call KS.BAT \` from a
# folder of drive D leaves cmd in D:\, a folder named "100% done" survives
# the cd batch, and a wrong launch marker is refused without writing.
. "$(dirname "$0")/lib.sh"

wine_setup
# Wine's services start with the first program and keep its output open;
# started here they hold /dev/null, not the test runner's pipe.
wineboot < /dev/null > /dev/null 2>&1
T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
mkdir -p "$T/prog" "$T/d/work/sub dir" "$T/d/100% done" "$T/d/files"
cp "$KS95_BIN" "$KS95_BUILD_DIR/sys_probe.exe" "$T/prog/"
cp "$KS95_SOURCE_DIR/launcher/KS.BAT" "$T/prog/"
wine_map_drive d "$T/d"
PROG=$(winpath "$T/prog")
CDBAT="$T/prog/KS95CD.BAT"

# The launch marker, byte for byte.
for marker in none =KS95 '=ks95x'; do
  rm -f "$CDBAT"
  if [ "$marker" = none ]; then set --; else set -- "$marker" '\'; fi
  status=0
  out=$(cd "$T/d/work" && wine "$T/prog/ks95.exe" "$@" | tr -d '\r') || status=$?
  [ "$status" = 0 ] || fail "marker $marker: exit code $status"
  [ "$out" = "You must start Kestrin 95 with the KS.BAT file" ] ||
    fail "marker $marker: printed: $out"
  [ ! -e "$CDBAT" ] || fail "marker $marker: cd batch written"
done

# The real file operations on a mapped drive.
out=$(wine "$T/prog/sys_probe.exe" files 'D:\files' | tr -d '\r')
[ "$out" = "files ok" ] || fail "file operations: $out"

# `KS \` through the launcher.
cmd_batch root 'D:' 'cd "\work\sub dir"' "call $PROG\\KS.BAT \\" \
  "cd > $(winpath "$T/root.txt")"
[ -f "$T/root.txt" ] || fail "the batch did not finish"
[ "$(tr -d '\r' < "$T/root.txt")" = 'D:\' ] ||
  fail "cmd ended in $(tr -d '\r' < "$T/root.txt")"
printf 'D:\r\ncd "D:\\"\r\n' | cmp -s - "$CDBAT" ||
  fail "cd batch bytes: $(od -c "$CDBAT")"

# A "%" in the folder name: the cd batch must bring cmd back into it.
cmd_batch percent 'D:' 'cd "\100%% done"' "$PROG\\sys_probe.exe cdbatch ." \
  'cd \' "call $PROG\\KS95CD.BAT" "cd > $(winpath "$T/percent.txt")"
[ "$(tr -d '\r' < "$T/percent.txt")" = 'D:\100% done' ] ||
  fail "cmd ended in $(tr -d '\r' < "$T/percent.txt")"
echo "PASS [$E2E_NAME]"
