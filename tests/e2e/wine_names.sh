#!/bin/bash
# Folder names the ANSI code page cannot hold, under Wine through cmd.exe and
# KS.BAT.  Fullwidth quote, angle brackets, bar, ampersand, caret and percent
# must never turn into their ASCII look-alikes (a cd batch that runs
# "md PWNED"); Cyrillic and Japanese folders are stored by short name or
# left out, never as "?"; "Café" goes through the cd batch in the console's
# code page and shows as é on screen.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

tmp=$(e2e_tmpdir)
tmp=$(cd "$tmp" && pwd -P)
wine_setup
d="$tmp/d"
ks="$d/KS"
mkdir -p "$ks"
cp "$KS95_BUILD_DIR/ks95.exe" "$KS95_SOURCE_DIR/launcher/KS.BAT" "$ks/"
# The real launcher, with each exit code recorded right after the program.
sed 's/^\("%~dp0ks95.exe".*\)$/\1\r\n>>D:\\rc.txt echo %errorlevel%/' \
  "$ks/KS.BAT" > "$ks/KSRC.BAT"
grep -q 'rc.txt' "$ks/KSRC.BAT" || fail "no exit-code line in KSRC.BAT"

fullwidth='＂＜＞｜＆＾％'
qdirs=()
for ((i = 0; i < ${#fullwidth}; i++)); do
  c=${fullwidth:i:1}
  qdirs+=("$d/q${c}&md PWNED&${c}")
done
mkdir -p "${qdirs[@]}" "$d/Café" "$d/Bar Café" "$d/Привет" "$d/日本語"
wine_map_drive D "$d"

# Runs the batch lines in cmd.exe inside a tmux pane started in host folder
# $2; D:\rc.txt collects the exit codes of the KSRC.BAT runs.  Progress is
# watched through files, and the pane waits for a key at the end: Wine may
# blank it when the console closes.
start_cmd() {
  local name=$1 dir=$2
  shift 2
  printf '%s\r\n' '@echo off' "$@" 'echo x> D:\done.txt' \
    'pause > nul' > "$d/$name.bat"
  rm -f "$d/rc.txt" "$d/done.txt"
  cd "$dir"
  tmux_start "$name" wine cmd /c "D:\\$name.bat"
  cd "$tmp"
}
wait_file() {
  local i=0
  while [ ! -e "$1" ]; do
    [ "$i" -lt 1200 ] || fail "timed out waiting for $1"
    sleep 0.05
    i=$((i + 1))
  done
}
end_cmd() {
  wait_file "$d/done.txt"
  screen=$(tmux -L "$TMUX_SOCKET" capture-pane -p -S - -t main)
  tmux_keys Enter
  tmux_wait_exit 30
  tmux -L "$TMUX_SOCKET" kill-server
  TMUX_SOCKET=
  [ -z "$(find "$d" -iname PWNED)" ] || fail "$1: a folder name ran a command"
}
rc_list() { tr -d '\r ' < "$d/rc.txt" | tr '\n' ' '; }
# The folder of $2 that holds marker file $1: exactly one, printed.
marked() {
  local hits=() dir
  for dir in "${@:2}"; do [ -e "$dir/$1" ] && hits+=("$dir"); done
  [ "${#hits[@]}" = 1 ] || fail "$1 is in ${#hits[@]} folders: ${hits[*]-}"
  echo "${hits[0]}"
}

# The scan, then a jump to the one folder starting "caf".
start_cmd scan "$d" 'chcp > D:\cp.txt' 'call D:\KS\KSRC.BAT /sD' 'call D:\KS\KSRC.BAT caf' \
  'echo x> here-caf.txt' 'cd \'
end_cmd scan
grep -q 'Active code page: 437' "$d/cp.txt" ||
  fail "this test expects console code page 437: $(cat "$d/cp.txt")"
[ "$(rc_list)" = '0 1 ' ] || fail "scan, KS caf: exit codes $(rc_list)"
[ -e "$d/Café/here-caf.txt" ] || fail "KS caf did not land in D:\\Café"
printf 'D:\r\ncd "D:\\Caf\x82"\r\n' | cmp -s - "$ks/KS95CD.BAT" ||
  fail "KS caf: cd batch bytes: $(od -c "$ks/KS95CD.BAT")"

# The scan file: names in the ANSI code page (1252 here), nothing forged.
dat="$ks/KS.DAT"
LC_ALL=C grep -qax $'D:\\\\Caf\xe9\r' "$dat" || fail "KS.DAT lacks D:\\Café in 1252"
LC_ALL=C grep -na '[?"<>|]' "$dat" && fail "KS.DAT holds a ? or a forbidden character"
LC_ALL=C grep -nai 'PWNED' "$dat" && fail "KS.DAT holds a look-alike name"
LC_ALL=C grep -nav $'^[ -~]*\r$' "$dat" | grep -va $'Caf\xe9' &&
  fail "KS.DAT holds a name outside plain ASCII other than Café"

# Every short name in the scan file leads into a real folder of its own.
shortnames=()
while IFS= read -r line; do
  shortnames+=("${line#D:\\}")
done < <(tr -d '\r' < "$dat" | grep -a '~')
[ "${#shortnames[@]}" -ge 7 ] || fail "only ${#shortnames[@]} short names stored"
lines=()
for ((i = 0; i < ${#shortnames[@]}; i++)); do
  # Short names may hold "&": quoted, as a user would type them.
  lines+=('cd \' "call D:\\KS\\KSRC.BAT \"${shortnames[i]}\"" "echo x> here-$i.txt")
done
start_cmd short "$d" "${lines[@]}"
end_cmd short
for ((i = 0; i < ${#shortnames[@]}; i++)); do
  marked "here-$i.txt" "${qdirs[@]}" "$d/Привет" "$d/日本語" > /dev/null
done
[ "$(rc_list)" = "$(printf '1 %.0s' "${shortnames[@]}")" ] ||
  fail "short-name jumps: exit codes $(rc_list)"

# From inside each fullwidth folder: tree mode and Esc, /a, then "\".
for q in "${qdirs[@]}"; do
  start_cmd inside "$q" 'call D:\KS\KSRC.BAT' 'echo x> here-esc.txt' \
    'call D:\KS\KSRC.BAT /a' 'echo x> here-a.txt' \
    'call D:\KS\KSRC.BAT \' 'echo x> here-root.txt'
  tmux_wait "Kestrin 95 v1.00" 60
  sleep 1
  tmux_keys Escape
  end_cmd "inside $q"
  [ -e "$q/here-esc.txt" ] && [ -e "$q/here-a.txt" ] ||
    fail "cmd left $q: $(ls "$q")"
  echo "$screen" | grep -q '^D:\\Q[!-~]*~[!-~]* has already been scanned\.' ||
    fail "/a inside $q: $screen"
  [ -e "$d/here-root.txt" ] || fail "KS \\ inside $q did not reach D:\\"
  rm -f "$d/here-root.txt"
  [ "$(rc_list)" = '0 0 0 ' ] || fail "inside $q: exit codes $(rc_list)"
done

# From D:\ : KS q + Enter in the chooser; tree mode, speed search Q, Enter;
# tree mode, speed search CAF, Enter; KS *caf shows both cafés.
start_cmd root "$d" 'call D:\KS\KSRC.BAT q' 'echo x> here-q.txt' 'cd \' \
  'echo x> D:\q-done.txt' 'call D:\KS\KSRC.BAT' 'echo x> here-tree.txt' \
  'cd \' 'echo x> D:\tree-done.txt' 'call D:\KS\KSRC.BAT' \
  'echo x> here-treecaf.txt' 'cd \' 'echo x> D:\caf-done.txt' \
  'call D:\KS\KSRC.BAT *caf'
tmux_wait "Partial: 7" 60
sleep 1
tmux_keys Enter
wait_file "$d/q-done.txt"
tmux_wait "Kestrin 95 v1.00" 60
sleep 1
tmux_keys Q
sleep 0.5
tmux_keys Enter
wait_file "$d/tree-done.txt"
tmux_wait "Kestrin 95 v1.00" 60
sleep 1
tmux_keys C A F
tmux_wait "Speed Search: CAF"
# The tree shows the name (437's 0x82 in the console, é on the terminal).
tmux_screen | grep -q '[└├]─Café' || fail "the tree does not show Café"
tmux_keys Enter
wait_file "$d/caf-done.txt"
tmux_wait "Partial: 2" 60
# The chooser shows the names as well (é in the console's code page).
tmux_wait 'D:\Bar Café '
tmux_wait 'D:\Café '
sleep 1
tmux_keys Escape
end_cmd root
marked here-q.txt "${qdirs[@]}" > /dev/null
marked here-tree.txt "${qdirs[@]}" > /dev/null
[ -e "$d/Café/here-treecaf.txt" ] || fail "tree-mode Enter did not land in Café"
[ "$(rc_list)" = '1 1 1 0 ' ] || fail "from D:\\: exit codes $(rc_list)"

# /a from a Cyrillic folder the scan has not seen: added by its short name,
# or refused in words; never a "?" in the scan file.
mkdir "$d/Новая"
start_cmd add "$d/Новая" 'call D:\KS\KSRC.BAT /a'
end_cmd add
if echo "$screen" | grep -q 'Scan file updated with D:\\[!-~]*~'; then
  added=$(echo "$screen" | sed -n 's/.*Scan file updated with D:\\\([!-~]*\).*/\1/p')
  LC_ALL=C grep -qaxF "D:\\$added"$'\r' "$dat" || fail "/a: $added not in KS.DAT"
else
  echo "$screen" | grep -q 'Cannot add the current directory to scan file' ||
    fail "/a in a Cyrillic folder: $screen"
fi
LC_ALL=C grep -na '?' "$dat" && fail "KS.DAT holds a ? after /a"
echo "PASS [$E2E_NAME]"
