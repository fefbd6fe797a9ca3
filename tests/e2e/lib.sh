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

# --- Set-up and checks shared by the POSIX and Wine twins of a test ---

# The jump tests' folders under $1 and their scan-file lines (CRLF), with
# any further lines given.
jump_fixture() { mkdir -p "$1/ALPHA/TARGET" "$1/BETA/MULTI" "$1/GAMMA/MULTI"; }
jump_scan_lines() {
  printf '%s\r\n' 'D:\*07.12.2026' 'D:\ALPHA' 'D:\ALPHA\TARGET' 'D:\BETA' \
    'D:\BETA\MULTI' 'D:\GAMMA' 'D:\GAMMA\MULTI' "$@"
}

# `ks ?` printed the option list (its head may have scrolled into the
# pane's history).
check_option_list() {
  local screen line
  screen=$(tmux -L "$TMUX_SOCKET" capture-pane -p -S - -t main)
  for line in "Kestrin 95 command line options" \
              "KS d:*dir_name  ; Restricts search to specified drive only" \
              "                ; e.g. KS /s+CGK"; do
    echo "$screen" | grep -qF -- "$line" || fail "option list lacks: $line"
  done
}

# tmux key names, each followed by the code the key reader must give; the
# keys both consoles send alike.
KEYS_COMMON=(
  BTab -15 C-Up -141 C-Down -145 DC -83 C-DC -255 F1 -59 F2 -60 S-F2 -85
  M-x -45 M-n -49 M-p -25 a 65
)

# Sends the key-echo tool each key of keys=(name code ...) and waits for its
# row before the next; Q ends the tool.  Sets expected=(codes) and n; with
# KEYS_SHOWN_BEFORE_Q set, also shown= the rows on screen before Q.
send_key_table() {
  local i
  expected=()
  n=0
  for ((i = 0; i < ${#keys[@]}; i += 2)); do
    if [ "${keys[i]}" = Q ] && [ -n "${KEYS_SHOWN_BEFORE_Q:-}" ]; then
      shown=$(tmux_screen | sed -n 's/^key \(-\?[0-9]*\).*/\1/p')
    fi
    tmux_keys "${keys[i]}"
    expected+=("${keys[i + 1]}")
    n=$((n + 1))
    [ "${keys[i]}" = Q ] || wait_rows "$n"
  done
}

# The codes file ($1, its text) holds every expected code in order, and the
# rows on screen ($2) showed each but the last.
check_key_codes() {
  local written=$1 shown=$2 want got i
  want=$(printf '%s\n' "${expected[@]}")
  for ((i = 0; i < ${#expected[@]}; i++)); do
    got=$(echo "$written" | sed -n "$((i + 1))p")
    [ "$got" = "${expected[i]}" ] ||
      fail "key ${keys[2 * i]}: code '$got', expected ${expected[i]}"
  done
  [ "$written" = "$want" ] || fail "codes file differs: $(echo $written)"
  [ "$(echo "$shown" | head -n $((n - 1)))" = "$(echo "$want" | head -n $((n - 1)))" ] ||
    fail "codes on screen differ: $(echo $shown)"
}

# The tools tests' drive (letter $1, folder $2) and its scan file at $3.
tools_fixture() {
  mkdir -p "$2/APPS/EDIT" "$2/WINDOWS" "$2/WORK"
  printf '%s:\\*01.02.2020 08:00:00\r\n%s:\\APPS\r\n%s:\\APPS\\EDIT\r\n%s:\\WINDOWS\r\n%s:\\WORK\r\n' \
    "$1" "$1" "$1" "$1" "$1" > "$3"
}

# Alt-P to LPT1 (the file $2) printed drive $1's tree, and Delete on WORK
# took it out of the scan file $3.
check_print_and_delete() {
  local d=$1 expected actual i=0
  tmux_keys M-p
  tmux_wait "Print tree to LPT (1,2,3):"
  tmux_keys 1
  tmux_wait "Kestrin 95 v1.00"
  while [ "$i" -lt 200 ] && ! grep -q $'\f' "$2"; do sleep 0.05; i=$((i + 1)); done
  expected=$(printf '%s:\\\r\n\303\304APPS\r\n\263 \300\304EDIT\r\n\303\304WINDOWS\r\n\300\304WORK\r\n\f' "$d" | od -An -tx1)
  actual=$(od -An -tx1 < "$2")
  [ "$expected" = "$actual" ] || fail "printed bytes differ: $actual"

  tmux_keys DC
  tmux_wait "Delete WORK from scan file (y/n) ?"
  tmux_keys y
  tmux_wait "4 dirs"
  expected=$(printf '%s:\\*01.02.2020 08:00:00\r\n%s:\\APPS\r\n%s:\\APPS\\EDIT\r\n%s:\\WINDOWS\r\n' \
    "$d" "$d" "$d" "$d" | od -An -tx1)
  actual=$(od -An -tx1 < "$3")
  [ "$expected" = "$actual" ] || fail "KS.DAT after the deletion: $actual"
}

# The tree tests' drives D and E under $1, with the scan file (LF ends
# turned to CRLF) at $2; further first-level folders of D as $3...
tree_fixture() {
  local root=$1 dat=$2 i extra
  shift 2
  mkdir -p "$root/d/apps" "$root/d/work/src/deep" "$root/d/zeta" "$root/e/docs" "$root/e/music"
  {
    printf 'D:\\*01.12.2026\nD:\\apps\n'
    for extra in "$@"; do mkdir -p "$root/d/$extra"; printf 'D:\\%s\n' "$extra"; done
    printf 'D:\\many\n'
    for i in $(seq -w 1 30); do printf 'D:\\many\\m%s\n' "$i"; mkdir -p "$root/d/many/m$i"; done
    printf 'D:\\work\nD:\\work\\src\nD:\\work\\src\\deep\nD:\\zeta\n'
    printf 'E:\\*02.12.2026\nE:\\docs\nE:\\music\n'
  } | sed 's/$/\r/' > "$dat"
}

# The start-up directory is yellow (under the cursor bar: on magenta).
check_startup_yellow() {
  local row
  row=$(tmux -L "$TMUX_SOCKET" capture-pane -p -e -t main | grep -a 'work' | head -1)
  case "$row" in
    *'[93m'*work* | *'[1;33m'*work* | *'[33;1m'*work* | *'38;5;11m'*work*) ;;
    *) fail "start-up directory not yellow: $(printf '%s' "$row" | cat -v)" ;;
  esac
}

# The tree tests' walk from the first PgDn on, End sent by the command $1,
# ending with Enter on E:\music.
tree_steps_to_music() {
  step NPage 'D:\zeta'
  step PPage 'D:\many\m12'
  step PPage 'D:\ (Scanned 01.12.2026)'
  "$@" 'D:\zeta'
  step Tab 'E:\ (Scanned 02.12.2026)'
  step BTab 'D:\zeta'
  step Tab 'E:\ (Scanned 02.12.2026)'
  step Down 'E:\docs'
  step Right 'E:\music'
  tmux_keys Enter
}
