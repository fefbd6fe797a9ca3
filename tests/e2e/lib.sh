# Shared helpers of the end-to-end scripts.  Source it; it sets `set -eu`.
#
#   e2e_tmpdir                     temporary folder, removed at exit
#   tmux_start NAME CMD...         private tmux server, 80x25 pane running CMD
#   tmux_keys KEY...               send-keys to the pane
#   tmux_wait TEXT [SECONDS]       poll capture-pane until TEXT shows
#   tmux_screen                    the pane's text
#   tmux_wait_exit [SECONDS]       wait until the pane's command has ended
#   dead_screen                    the pane's text with its history, once ended
#   stop_tmux                      end the tmux server now
#   key_rows                       how many key codes key_echo has shown
#   wait_rows N [SECONDS]          wait until N key codes show, so that each key
#                                  is read before the next is sent
#   status_line                    the tree's status line (row 25)
#   wait_status TEXT [SECONDS]     wait until the status line is the F1 hint
#                                  and TEXT
#   step KEY TEXT [SECONDS]        tmux_keys KEY, then wait_status TEXT
#   unstamped FILE                 FILE with the scan stamps of root lines cut
#   tmux_start_gated NAME CMD...   tmux_start, with CMD held back until the
#                                  session is ready (a quick CMD would end
#                                  the server before remain-on-exit is set)
#   winpath HOSTPATH               the Windows path of HOSTPATH through Z:
#   cmd_batch NAME LINE...         LINEs as NAME.bat in the temp folder, run by
#                                  cmd.exe in a pane, waited for
#   wine_setup                     private Wine prefix, one wineserver for the run
#   wine_map_drive LETTER DIR      drive LETTER: is DIR in that prefix
#   fail MESSAGE                   report and end with status 1
#
# The waits on the screen give up after E2E_WAIT seconds (10 unless set).
set -eu

# The scripts write into the folders these name; without them they would
# write under /.
: "${KS95_BIN:?run it through ctest}" "${KS95_BUILD_DIR:?run it through ctest}" \
  "${KS95_SOURCE_DIR:?run it through ctest}"

export LC_ALL=C.UTF-8 TZ=UTC TERM=xterm-256color
E2E_NAME=$(basename "$0" .sh)

fail() {
  echo "FAIL [$E2E_NAME]: $*" >&2
  if [ -n "${TMUX_SOCKET:-}" ]; then
    echo "--- screen ---" >&2
    tmux_screen >&2 || true
  fi
  exit 1
}

_e2e_cleanup() {
  if [ -n "${TMUX_SOCKET:-}" ]; then
    tmux -L "$TMUX_SOCKET" kill-server >/dev/null 2>&1 || true
  fi
  # A shared prefix outlives the test: its drive letters must not.
  local link
  for link in ${E2E_WINE_DRIVES:-}; do
    rm -f "$link"
  done
  if [ -n "${E2E_WINE_STARTED:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${E2E_TMP:-}" ]; then
    rm -rf "$E2E_TMP"
  fi
}
trap _e2e_cleanup EXIT

# Made here, not on first use: `T=$(e2e_tmpdir)` runs in a subshell, and a
# folder made there would never reach the exit trap.
E2E_TMP=$(mktemp -d "/tmp/ks95-e2e-$E2E_NAME.XXXXXX")

e2e_tmpdir() {
  echo "$E2E_TMP"
}

tmux_start() {
  local name=$1
  shift
  TMUX_SOCKET="ks95-$name-$$"
  tmux -L "$TMUX_SOCKET" -f /dev/null new-session -d -x 80 -y 25 -s main \
    "$@"
  tmux -L "$TMUX_SOCKET" set-option -g escape-time 0 >/dev/null
  tmux -L "$TMUX_SOCKET" set-option -g remain-on-exit on >/dev/null
}

tmux_keys() {
  tmux -L "$TMUX_SOCKET" send-keys -t main "$@"
}

tmux_screen() {
  tmux -L "$TMUX_SOCKET" capture-pane -p -t main
}

tmux_wait() {
  local text=$1 limit=${2:-20} i=0
  while [ "$i" -lt $((limit * 20)) ]; do
    if tmux_screen | grep -qF -- "$text"; then
      return 0
    fi
    sleep 0.05
    i=$((i + 1))
  done
  fail "timed out waiting for: $text"
}

tmux_wait_exit() {
  local limit=${1:-20} i=0
  while [ "$i" -lt $((limit * 20)) ]; do
    if [ "$(tmux -L "$TMUX_SOCKET" display-message -p -t main '#{pane_dead}')" = 1 ]; then
      return 0
    fi
    sleep 0.05
    i=$((i + 1))
  done
  fail "timed out waiting for the program to end"
}

dead_screen() {
  tmux -L "$TMUX_SOCKET" capture-pane -p -S - -t main
}

stop_tmux() {
  tmux -L "$TMUX_SOCKET" kill-server
  TMUX_SOCKET=
}

key_rows() {
  tmux_screen | grep -c '^key -\?[0-9]' || true
}

wait_rows() {
  local n=$1 limit=${2:-${E2E_WAIT:-10}} i=0
  while [ "$(key_rows)" -lt "$n" ]; do
    [ "$i" -lt $((limit * 20)) ] || fail "no code shown for key $n"
    sleep 0.05
    i=$((i + 1))
  done
}

status_line() { tmux_screen | sed -n '25p' | sed 's/ *$//'; }

wait_status() {
  local want=" F1: Help │ $1" limit=${2:-${E2E_WAIT:-10}} i=0
  while [ "$(status_line)" != "$want" ]; do
    [ "$i" -lt $((limit * 20)) ] || fail "status line '$(status_line)', expected '$want'"
    sleep 0.05
    i=$((i + 1))
  done
}

step() { tmux_keys "$1"; wait_status "$2" "${3:-${E2E_WAIT:-10}}"; }

unstamped() { sed 's/^\([A-Z]:\\\)\*.*/\1*/' "$1"; }

wine_setup() {
  export WINEDEBUG=-all
  export WINEPREFIX="${KS95_WINEPREFIX:-$(e2e_tmpdir)/wineprefix}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
  fi
  if [ -z "${KS95_WINEPREFIX:-}" ]; then
    E2E_WINE_STARTED=1
  fi
  wineserver -p >/dev/null 2>&1 || true
}

wine_map_drive() {
  local letter dir
  letter=$(echo "$1" | tr 'A-Z' 'a-z')
  dir=$2
  rm -f "$WINEPREFIX/dosdevices/$letter:"
  ln -s "$dir" "$WINEPREFIX/dosdevices/$letter:"
  E2E_WINE_DRIVES="${E2E_WINE_DRIVES:-} $WINEPREFIX/dosdevices/$letter:"
}

tmux_start_gated() {
  local name=$1 go
  shift
  go="$E2E_TMP/go-$name"
  rm -f "$go"
  tmux_start "$name" sh -c 'while [ ! -e "$0" ]; do sleep 0.02; done; exec "$@"' \
    "$go" "$@"
  : > "$go"
}

winpath() {
  printf 'Z:%s' "$1" | tr / '\\'
}

# In a terminal, so that the program has a console.
cmd_batch() {
  local name=$1 dir
  shift
  dir=$(cd "$E2E_TMP" && pwd -P)
  printf '%s\r\n' '@echo off' "$@" > "$dir/$name.bat"
  tmux_start_gated "$name" wine cmd /c "$(winpath "$dir/$name.bat")"
  tmux_wait_exit 60
  tmux -L "$TMUX_SOCKET" kill-server
  TMUX_SOCKET=
}
