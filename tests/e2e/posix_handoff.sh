# The bash launcher: `ks \` from a folder of drive D leaves the calling shell
# in D's host folder, and the cd file can name any folder without running
# any part of its name as shell code.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
mkdir -p "$T/home" "$T/inst"
export KS95_HOME="$T/home"
# The launcher as installed: ks.sh beside the program, found without help.
cp "$KS95_SOURCE_DIR/launcher/ks.sh" "$T/inst/ks.sh"
ln -s "$KS95_BIN" "$T/inst/ks95"

# One run of the launcher in a terminal: drive D is $1, the shell starts in
# $2, runs `ks \`; the status, the folder it ends in and the names left in
# the scratch folder go to $T/result.
run_handoff() {
  local root=$1 start=$2 name=$3 shell=${4:-bash --norc --noprofile}
  cat > "$T/run.sh" <<'SCRIPT'
cd "$T/scratch" || exit 9
export KS95_DRIVES="C=/;D=$ROOT"
. "$T/inst/ks.sh"
cd -- "$START" || exit 9
ks '\'
rc=$?
printf '%s' "$(pwd -P)" > "$T/result.pwd"
printf 'status=%s\n' "$rc" > "$T/result"
SCRIPT
  rm -rf "$T/scratch" "$T/result" "$T/result.pwd"
  mkdir -p "$T/scratch"
  # shellcheck disable=SC2086
  tmux_start_gated "handoff-$name" env T="$T" ROOT="$root" START="$start" \
    $shell "$T/run.sh"
  tmux_wait_exit
  stop_tmux
  [ -f "$T/result" ] || fail "$name: no result"
  grep -qx 'status=0' "$T/result" || fail "$name: $(cat "$T/result")"
  [ "$(cat "$T/result.pwd")" = "$root" ] ||
    fail "$name: ended in $(cat "$T/result.pwd"), not $root"
  [ -z "$(ls -A "$T/scratch")" ] || fail "$name: created $(ls -A "$T/scratch")"
  [ -z "$(ls -A "$T/home")" ] || fail "$name: wrote $(ls -A "$T/home")"
}

mkdir -p "$T/d/work/sub dir"
run_handoff "$T/d" "$T/d/work/sub dir" plain

# Names a careless script would run: each is the root of drive D, reached
# with `ks \` from a folder below it.
i=0
for hostile in "it's" '$(touch PWNED)' '`touch PWNED`' '* ?' '-rf' \
               "new
line" 'a&b|c>d' '"dq" $HOME'; do
  i=$((i + 1))
  root="$T/h$i/$hostile"
  mkdir -p -- "$root/below"
  run_handoff "$root" "$root/below" "hostile$i"
done

# zsh sources the same launcher.
if command -v zsh > /dev/null; then
  run_handoff "$T/d" "$T/d/work/sub dir" zsh-plain "zsh -f"
  run_handoff "$T/h1/it's" "$T/h1/it's/below" zsh-quote "zsh -f"
else
  echo "zsh not installed: the zsh runs are left out"
fi

# Names no drive root can carry (";" separates KS95_DRIVES entries, a
# backslash has no drive-path form): the cd file names them as host paths.
PROBE="$KS95_BUILD_DIR/sys_probe"
for name in 'semi;colon' 'back\\slash' "tab	and 'quote'"; do
  dir="$T/names/$name"
  mkdir -p -- "$dir"
  rm -rf "$T/scratch"
  mkdir -p "$T/scratch"
  (cd "$T/scratch" &&
   KS95_DRIVES="C=/;D=$T/names" KS95_CDFILE="$T/cd.sh" "$PROBE" cdbatch "$dir") ||
    fail "$name: cd file not written"
  ended=$(cd "$T/scratch" && . "$T/cd.sh" && pwd -P) || fail "$name: cd failed"
  [ "$ended" = "$dir" ] || fail "$name: ended in $ended"
  [ -z "$(ls -A "$T/scratch")" ] || fail "$name: created $(ls -A "$T/scratch")"
done
echo "PASS [$E2E_NAME]"
