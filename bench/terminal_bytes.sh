# Bytes the terminal receives for one cursor-bar move on a full 80x25 tree
# screen, against the bytes of drawing that screen once.  The term_frame tool
# runs in a private tmux server; `tmux pipe-pane` copies every byte the
# program writes to its terminal into a file.
set -eu
export LC_ALL=C.UTF-8 TERM=xterm-256color
tool="$KS95_BENCH_BUILD/term_frame"
dir=$(mktemp -d)
sock="ks95-bench-bytes-$$"
trap 'tmux -L "$sock" kill-server >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
t() { tmux -L "$sock" "$@"; }

wait_for() {  # TEXT
  local i=0
  until t capture-pane -p -t main | grep -qF -- "$1"; do
    i=$((i + 1))
    [ "$i" -lt 400 ] || { echo "timed out waiting for $1" >&2; exit 1; }
    sleep 0.02
  done
}
# Size of the byte log once it has stopped growing.
settled_size() {
  local a b
  a=$(stat -c %s "$dir/bytes")
  while sleep 0.1; b=$(stat -c %s "$dir/bytes"); [ "$a" != "$b" ]; do a=$b; done
  echo "$a"
}

t -f /dev/null new-session -d -x 80 -y 25 -s main \
  "while [ ! -e '$dir/go' ]; do sleep 0.02; done; exec '$tool' full"
t set-option -g escape-time 0 >/dev/null
: >"$dir/bytes"
t pipe-pane -o -t main "cat >> '$dir/bytes'"
: >"$dir/go"
wait_for "moves: 0"
draw=$(settled_size)
sizes=()
prev=$draw
for i in $(seq 1 10); do
  if [ "$i" -le 5 ]; then key=Down; else key=Up; fi
  t send-keys -t main "$key"
  wait_for "moves: $i"
  now=$(settled_size)
  sizes+=($((now - prev)))
  prev=$now
done
t send-keys -t main q
sorted=$(printf '%s\n' "${sizes[@]}" | sort -n)
echo "command: tmux pipe-pane -o 'cat >> log' on '$tool full' (80x25, TERM=$TERM), bytes counted per key"
echo "full screen drawn once: $draw bytes"
echo "one cursor-bar move (bar off one row, on the next, status row): median $(echo "$sorted" | sed -n 5p) bytes, min $(echo "$sorted" | head -1), max $(echo "$sorted" | tail -1) over 10 moves"
