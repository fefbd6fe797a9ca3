# The Debian package: `cpack -G DEB` builds it, apt installs it, a plain
# user gets `ks` from /usr/share/ks95/ks.sh with KS.DAT in their data
# folder, and removing it leaves none of its files.  It changes the system,
# so it runs only as root, only where no ks95 is installed already, and
# takes the package off again however it ends.
. "$(dirname "$0")/lib.sh"
T=$(cd "$(e2e_tmpdir)" && pwd -P)
chmod 755 "$T"

# ctest reports 77 as skipped, not passed.
skip() {
  echo "SKIPPED [$E2E_NAME]: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || skip "installing a package needs root"
command -v dpkg-shlibdeps > /dev/null ||
  skip "dpkg-shlibdeps missing (scripts/install-deps --all adds dpkg-dev)"

# One run at a time on this machine.
exec 9> /run/lock/ks95-deb-e2e.lock
flock -w 600 9 || fail "another package check holds the lock"
status=$(dpkg-query -W -f='${db:Status-Abbrev}' ks95 2> /dev/null || true)
case $status in
  ''|un*) ;;
  *) skip "a ks95 package is installed already ($status)" ;;
esac
for f in /usr/bin/ks95 /usr/share/ks95 /usr/share/doc/ks95 /usr/share/man/man1/ks95.1; do
  [ ! -e "$f" ] || skip "$f exists already"
done

installed=
_deb_cleanup() {
  if [ -n "$installed" ]; then
    DEBIAN_FRONTEND=noninteractive dpkg --purge ks95 > /dev/null 2>&1 || true
  fi
  _e2e_cleanup
}
trap _deb_cleanup EXIT

cpack -G DEB -B "$T/pkg" --config "$KS95_BUILD_DIR/CPackConfig.cmake" \
  > "$T/cpack.log" 2>&1 || fail "cpack: $(cat "$T/cpack.log")"
deb=$(ls "$T"/pkg/ks95_*_*.deb 2> /dev/null) || fail "no ks95_<version>_<arch>.deb"
[ "$(basename "$deb")" = "ks95_$(dpkg-deb -f "$deb" Version)_$(dpkg --print-architecture).deb" ] ||
  fail "package file name: $(basename "$deb")"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/ks95 ./usr/share/ks95/ks.sh ./usr/share/ks95/ks.fish \
         ./usr/share/man/man1/ks95.1 ./usr/share/doc/ks95/README.md \
         ./usr/share/doc/ks95/copyright; do
  printf '%s\n' "$contents" | grep -qE " $f(\.gz)?\$" || fail "package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libncursesw6; do
  printf '%s\n' "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done

installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 \
  "$deb" > "$T/apt.log" 2>&1 || fail "apt install: $(cat "$T/apt.log")"
files=$(dpkg -L ks95)

# A plain user with a fresh home and one scanned drive D.
H=$T/home
mkdir -p "$H" "$T/d/alpha/inner" "$T/d/beta" "$T/out"
chown nobody "$H" "$T/out"
as_user() {
  runuser -u nobody -- env -i HOME="$H" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
    TERM=xterm-256color TZ=UTC KS95_DRIVES="C=/;D=$T/d" "$@"
}
out=$(as_user bash --norc --noprofile -c \
  ". /usr/share/ks95/ks.sh; cd /; ks /sD > /dev/null; ks inner; pwd" 2>&1) ||
  true
[ "$out" = "$T/d/alpha/inner" ] || fail "ks inner left the shell in: $out"
[ -s "$H/.local/share/ks95/KS.DAT" ] || fail "no KS.DAT in the user's data folder"
grep -q '^D:\\alpha\\inner' "$H/.local/share/ks95/KS.DAT" ||
  fail "KS.DAT lacks the scanned folder"

# Tree mode on the terminal: Down to alpha, Enter.
tmux_start deb runuser -u nobody -- env -i HOME="$H" PATH=/usr/bin:/bin \
  LC_ALL=C.UTF-8 TERM=xterm-256color TZ=UTC KS95_DRIVES="C=/;D=$T/d" \
  bash --norc --noprofile -c \
  ". /usr/share/ks95/ks.sh; cd '$T/d'; ks; pwd > '$T/out/tree'"
tmux_wait "Kestrin 95 v1.00"
tmux_wait "beta"
tmux_keys Down
tmux_wait "D:\\alpha"
tmux_keys Enter
tmux_wait_exit
[ "$(cat "$T/out/tree")" = "$T/d/alpha" ] || fail "tree mode left the shell in: $(cat "$T/out/tree")"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -q -o DPkg::Lock::Timeout=300 ks95 > "$T/remove.log" 2>&1 ||
  fail "apt remove: $(cat "$T/remove.log")"
left=
while IFS= read -r f; do
  # Shared folders such as /usr/bin stay; the package's own must go.
  case $f in /usr/share/ks95*|/usr/share/doc/ks95*) [ ! -e "$f" ] || left="$left $f" ;; esac
  if [ -f "$f" ] || [ -L "$f" ]; then left="$left $f"; fi
done <<< "$files"
[ -z "$left" ] || fail "left after removal:$left"
installed=
echo "PASS [$E2E_NAME]"
