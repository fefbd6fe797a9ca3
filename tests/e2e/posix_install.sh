# `cmake --install` lays out the program, the launchers and the manual page;
# the one line each shell's start-up file gets makes `ks` work from a fresh
# bash, zsh and fish, through a folder name that would run code if it were
# ever parsed; with the program in a read-only folder the launchers keep
# KS.DAT in the user's data folder.
. "$(dirname "$0")/lib.sh"
T=$(cd "$(e2e_tmpdir)" && pwd -P)
# The read-only check runs as nobody, who must reach these folders.
chmod 755 "$T"
P=$T/prefix
cmake --install "$KS95_BUILD_DIR" --prefix "$P" > "$T/install.log" ||
  fail "cmake --install: $(cat "$T/install.log")"

[ -x "$P/bin/ks95" ] && [ ! -d "$P/bin/ks95" ] || fail "no bin/ks95"
for f in share/ks95/ks.sh share/ks95/ks.fish share/man/man1/ks95.1; do
  [ -f "$P/$f" ] || fail "missing $f"
done
page=$(MANWIDTH=80 man -l "$P/share/man/man1/ks95.1" 2> "$T/man.err") ||
  fail "man -l: $(cat "$T/man.err")"
for text in 'SYNOPSIS' 'KS95_CDFORMAT' '/usr/local/share/ks95/ks.fish'; do
  printf '%s\n' "$page" | grep -qF -- "$text" || fail "manual page lacks $text"
done
warnings=$(groff -man -ww -z "$P/share/man/man1/ks95.1" 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"

# A drive D with one folder whose name is hostile to every shell.
weird="-we\$ird [x] 'q' \`b\` %p% \$(touch PWNED) ;x"
mkdir -p "$T/d/$weird/sub" "$T/d/plain" "$T/home"
export KS95_DRIVES="C=/;D=$T/d" KS95_HOME="$T/home"
unset KS95_PROGRAM KS95_CDFILE KS95_CDFORMAT
"$P/bin/ks95" =ks95 /sD > /dev/null || fail "scan of D failed"

# Each shell, started fresh with only the documented line in its start-up
# file, prints where `ks` left it and the exit code, one per line.
H=$T/h
mkdir -p "$H/.config/fish"
printf '. %s\n' "$P/share/ks95/ks.sh" > "$H/.bashrc"
printf '. %s\n' "$P/share/ks95/ks.sh" > "$H/.zshrc"
printf 'source %s\n' "$P/share/ks95/ks.fish" > "$H/.config/fish/config.fish"
in_shell() {
  local shell=$1 script=$2
  case $shell in
    bash) HOME=$H bash -i -c "$script" ;;
    zsh) HOME=$H ZDOTDIR=$H zsh -i -c "$script" ;;
    fish) HOME=$H XDG_CONFIG_HOME=$H/.config fish -c "$script" ;;
  esac < /dev/null 2> "$T/$shell.err"
}
shells="bash zsh fish"
if ! command -v fish > /dev/null; then
  echo "fish is not installed (scripts/install-deps adds it): fish skipped"
  shells="bash zsh"
fi
for shell in $shells; do
  cd "$T/d/plain"
  # "$status" in fish, "$?" in the others.
  rc='$?'
  [ "$shell" = fish ] && rc='$status'
  out=$(in_shell "$shell" "cd '$T/d/plain'; ks '*IRD [X]'; echo $rc; pwd; ks \\\\; echo $rc; pwd") ||
    fail "$shell ended with $?: $(cat "$T/$shell.err")"
  expected=$(printf '0\n%s\n0\n%s' "$T/d/$weird" "$T/d")
  [ "$out" = "$expected" ] ||
    fail "$shell: got [$out], expected [$expected]; stderr: $(cat "$T/$shell.err")"
done
[ -z "$(find "$T" -name PWNED)" ] || fail "a folder name ran as code"

# Scans leave out names with a line break, but the shell may stand in one:
# a jump that finds nothing must leave it there, not cut the name.
nl="$T/d/new
line"
mkdir -p "$nl"
for shell in $shells; do
  out=$(in_shell "$shell" "cd '$nl'; ks qqq > /dev/null; pwd") ||
    fail "$shell ended with $?: $(cat "$T/$shell.err")"
  [ "$out" = "$nl" ] || fail "$shell: ended in [$out]"
done

# The program in a folder its user cannot write.  Root writes anywhere, so
# then the launchers run as nobody.
cp -R "$P" "$T/ro"
chmod -R a-w "$T/ro/bin"
mkdir -p "$T/nobody/xdg"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R 65534 "$T/nobody"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
unset KS95_HOME XDG_DATA_HOME
ro_run() {
  local shell=$1
  shift
  cd "$T/d"
  env HOME="$T/nobody" "$@" "${as_user[@]}" "$shell" -c "$ro_script" \
    < /dev/null > "$T/ro.out" 2>&1 || fail "$shell in a read-only folder: $(cat "$T/ro.out")"
}
ro_script=". '$T/ro/share/ks95/ks.sh'; ks /sD"
ro_run bash
[ -s "$T/nobody/.local/share/ks95/KS.DAT" ] ||
  fail "bash: no KS.DAT in ~/.local/share/ks95: $(cat "$T/ro.out")"
if command -v fish > /dev/null; then
  ro_script="source '$T/ro/share/ks95/ks.fish'; ks /sD"
  ro_run fish XDG_DATA_HOME="$T/nobody/xdg"
  [ -s "$T/nobody/xdg/ks95/KS.DAT" ] ||
    fail "fish: no KS.DAT in \$XDG_DATA_HOME/ks95: $(cat "$T/ro.out")"
fi
# A KS95_HOME of the user's own wins over the data folder.
mkdir -p "$T/nobody/own"
[ "$(id -u)" = 0 ] && chown 65534 "$T/nobody/own"
ro_script="KS95_HOME='$T/nobody/own'; export KS95_HOME; . '$T/ro/share/ks95/ks.sh'; ks /sD"
ro_run zsh XDG_DATA_HOME="$T/nobody/xdg2"
[ -s "$T/nobody/own/KS.DAT" ] && [ ! -e "$T/nobody/xdg2" ] ||
  fail "zsh: KS95_HOME not kept: $(cat "$T/ro.out")"
[ ! -e "$T/ro/bin/KS.DAT" ] || fail "KS.DAT beside a read-only program"
chmod -R u+w "$T/ro"

# A KS.DAT that an older copy kept beside the program moves to the data
# folder once, with a message, and its drives are still there.
cp -R "$P" "$T/rw"
printf '%s\r\n' 'D:\*07.12.2026' 'D:\plain' > "$T/rw/bin/KS.DAT"
mkdir -p "$T/mig"
out=$(cd "$T/d" && HOME="$T/mig" bash -c ". '$T/rw/share/ks95/ks.sh'; ks plain; pwd" 2>&1) ||
  fail "migration: $out"
case $out in
  *"ks: moved $T/rw/bin/KS.DAT to $T/mig/.local/share/ks95/KS.DAT"*"$T/d/plain") ;;
  *) fail "migration: $out" ;;
esac
[ ! -e "$T/rw/bin/KS.DAT" ] || fail "migration: KS.DAT left beside the program"
echo "PASS [$E2E_NAME]"
