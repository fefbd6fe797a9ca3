# Without the exact launch marker the program prints one line, ends with
# exit code 0 and touches no file: not the cd file, not the scan file.
. "$(dirname "$0")/lib.sh"

# The pane's command waits for a go file, so that the pane outlives it
# (remain-on-exit is set after the session starts), and leaves its exit code
# in go-NAME.status (tmux does not always report it); the text of a dead
# pane is read with its history, where tmux moves it.
gated_start() {
  local name=$1 go
  shift
  go="$(e2e_tmpdir)/go-$name"
  rm -f "$go"
  rm -f "$go.status"
  tmux_start "$name" sh -c \
    'while [ ! -e "$0" ]; do sleep 0.02; done; "$@"; echo $? > "$0.status"' \
    "$go" "$@"
  : > "$go"
}

T=$(e2e_tmpdir)
mkdir -p "$T/home" "$T/d/work"
export KS95_HOME="$T/home" KS95_DRIVES="C=/;D=$T/d" KS95_CDFILE="$T/cdfile"
printf 'untouched' > "$T/cdfile"
cd "$T/d/work"

for marker in none =KS95 ks95; do
  if [ "$marker" = none ]; then set --; else set -- "$marker" '\'; fi
  gated_start "launch-$marker" "$KS95_BIN" "$@"
  tmux_wait_exit
  dead_screen | grep -qF "You must start Kestrin 95 with the ks shell command (see man ks95)" ||
    fail "marker $marker: no message"
  status=$(cat "$T/go-launch-$marker.status" 2>/dev/null || echo none)
  [ "$status" = 0 ] || fail "marker $marker: exit code $status"
  stop_tmux
  [ -z "$(ls -A "$T/home")" ] || fail "marker $marker: wrote $(ls -A "$T/home")"
  [ "$(cat "$T/cdfile")" = untouched ] || fail "marker $marker: cd file written"
done

# The same without a terminal: exactly the one line on standard output.
out=$("$KS95_BIN" =Ks95 < /dev/null | tr -d '\r')
[ "$out" = "You must start Kestrin 95 with the ks shell command (see man ks95)" ] ||
  fail "piped output: $out"
echo "PASS [$E2E_NAME]"
