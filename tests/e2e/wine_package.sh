# The Windows zip that cpack makes holds a self-contained ks95.exe beside its
# launchers; unzipped onto a Wine drive, KS.BAT from it scans, jumps and
# goes to the root in a real cmd.exe.  (PowerShell does not run here, so
# ks.ps1 is only checked for being in the package.)
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
cpack -G ZIP -B "$T/pkg" --config "$KS95_BUILD_DIR/CPackConfig.cmake" \
  > "$T/cpack.log" 2>&1 || fail "cpack: $(cat "$T/cpack.log")"
zip=$(ls "$T"/pkg/ks95-*-win64.zip 2>/dev/null) || fail "no zip in $T/pkg"

mkdir -p "$T/e" "$T/d/work/find me" "$T/d/100% done"
(cd "$T/e" && unzip -q "$zip") || fail "unzip $zip"
dir=$(cd "$T/e" && ls -d ks95-*-win64) || fail "no top folder in the zip"
for f in ks95.exe KS.BAT ks.ps1 README.txt; do
  [ -f "$T/e/$dir/$f" ] || fail "the zip lacks $f"
done
# Statically linked: nothing beyond what every Windows has.
dlls=$(x86_64-w64-mingw32-objdump -p "$T/e/$dir/ks95.exe" | sed -n 's/.*DLL Name: //p' |
  tr 'A-Z' 'a-z' | grep -vxE 'kernel32.dll|user32.dll|msvcrt.dll' || true)
[ -z "$dlls" ] || fail "ks95.exe needs $dlls"

wine_setup
wineboot < /dev/null > /dev/null 2>&1
wine_map_drive d "$T/d"
wine_map_drive e "$T/e"
KS="E:\\$dir\\KS.BAT"

# A scan, a jump and the root, each through `call KS.BAT` as a user would.
cmd_batch use 'D:' 'cd \work' "call $KS /sD > nul" \
  "call $KS find" "cd > $(winpath "$T/jump.txt")" \
  "call $KS 100" "cd > $(winpath "$T/percent.txt")" \
  "call $KS \\" "cd > $(winpath "$T/root.txt")"
[ -s "$T/e/$dir/KS.DAT" ] || fail "no KS.DAT beside the program"
for check in 'jump:D:\work\find me' 'percent:D:\100% done' 'root:D:\'; do
  file=$T/${check%%:*}.txt
  want=${check#*:}
  [ -f "$file" ] || fail "the batch stopped before ${check%%:*}"
  got=$(tr -d '\r' < "$file")
  [ "$got" = "$want" ] || fail "${check%%:*}: cmd in [$got], expected [$want]"
done
echo "PASS [$E2E_NAME]"
