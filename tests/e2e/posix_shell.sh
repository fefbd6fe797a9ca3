# The launchers as a user meets them in bash, zsh and fish: exit statuses,
# `cd -` after Esc, unexpanded wildcards, plain cd arguments, help, set-up
# mistakes, Ctrl-C, `set -e` scripts and Tab completion.  Every run must
# leave no cd file behind.
. "$(dirname "$0")/lib.sh"

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
C=$T/c
mkdir -p "$C/src/myapi" "$C/src/tax" "$C/docs/it's a dir" "$C/x/y" \
  "$T/home" "$T/tmp" "$T/glob" "$T/off"
# Files a careless shell would expand `*api` and `?` to.
: > "$T/glob/zapi"
: > "$T/glob/a"
export KS95_HOME=$T/home KS95_DRIVES="C=$C" TMPDIR=$T/tmp
export KS95_PROGRAM=$KS95_BIN HOME=$T/home
LAUNCHER=$KS95_SOURCE_DIR/launcher
"$KS95_BIN" =ks95 /sC > /dev/null || fail "scan failed"

LOG=$T/log
# Types LINE into the shell and waits for MARKER in the log.
type_line() {
  tmux_keys -l "$1"
  tmux_keys Enter
  local i=0
  while ! grep -qF -- "$2" "$LOG" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -lt 200 ] || fail "no '$2' after: $1"
    sleep 0.05
  done
}

# Waits until the program has given the screen back.
wait_tree_gone() {
  local i=0
  while tmux_screen | grep -qF "F1: Help"; do
    i=$((i + 1))
    [ "$i" -lt 200 ] || fail "tree mode did not end"
    sleep 0.05
  done
}

expect_log() {
  grep -qxF -- "$1" "$LOG" || { cat "$LOG" >&2; fail "$SHELL_NAME: no line '$1'"; }
}

# $1 name, $2 start command, $3 status variable ('$?' or '$status').
# Commands are the same in the three shells except for the status word.
check_shell() {
  SHELL_NAME=$1
  local st=$3
  : > "$LOG"
  tmux_start "$1" env LOG="$LOG" $2
  tmux_wait 'READY>'
  type_line "cd $C/x/y; ks tax && echo \"A \$PWD\" >> \$LOG" "A "
  expect_log "A $C/src/tax"
  type_line "ks nosuch >> \$LOG; echo \"B $st\" >> \$LOG" "B "
  expect_log "B 1"
  grep -qF "Try ks '*NOSUCH' instead." "$LOG" || fail "$1: hint"
  # Esc in tree mode: status 1, no cd, so `cd -` still leads back.
  type_line "cd $C/docs; echo E0 >> \$LOG" E0
  tmux_keys -l ks
  tmux_keys Enter
  tmux_wait "F1: Help"
  tmux_keys Escape
  wait_tree_gone
  type_line "echo \"E1 $st\" >> \$LOG; cd - > /dev/null; echo \"E2 \$PWD\" >> \$LOG" E2
  expect_log "E1 1"
  expect_log "E2 $C/src/tax"
  type_line "ks .. && echo \"G \$PWD\" >> \$LOG" "G "
  expect_log "G $C/src"
  type_line "ks - > /dev/null; ks / && echo \"H \$PWD\" >> \$LOG" "H "
  expect_log "H $C"
  type_line "ks --help | head -n 1 >> \$LOG; ks -h > /dev/null; echo \"I $st\" >> \$LOG" "I "
  expect_log "Kestrin 95 command line options"
  expect_log "I 0"
  type_line "ks /sX >> \$LOG; echo \"J $st\" >> \$LOG" "J "
  expect_log "Drive X: is not mapped in KS95_DRIVES=\"C=$C\""
  expect_log "J 2"
  # Ctrl-C in tree mode removes the cd file too.
  tmux_keys -l ks
  tmux_keys Enter
  tmux_wait "F1: Help"
  tmux_keys C-c
  wait_tree_gone
  type_line "echo K >> \$LOG" K
  # Tab: any letter case, a name with a blank and a quote quoted.
  type_line "cd $T/off; echo L0 >> \$LOG" L0
  tmux_keys -l "ks MYA"
  tmux_keys Tab
  tmux_wait "ks myapi"
  tmux_keys -l " && echo \"L \$PWD\" >> \$LOG"
  tmux_keys Enter
  type_line "echo L1 >> \$LOG" L1
  expect_log "L $C/src/myapi"
  tmux_keys -l "ks it"
  tmux_keys Tab
  tmux_keys -l " && echo \"M \$PWD\" >> \$LOG"
  tmux_keys Enter
  type_line "echo M1 >> \$LOG" M1
  expect_log "M $C/docs/it's a dir"
  if [ "$1" != fish ]; then
    # Wildcards reach the program unexpanded; the folder holds files they
    # would match.
    type_line "cd $T/glob; ks *api && echo \"N \$PWD\" >> \$LOG" "N "
    expect_log "N $C/src/myapi"
    type_line "cd $T/glob; ks ? > /dev/null; echo \"O $st\" >> \$LOG" "O "
    expect_log "O 0"
  fi
  tmux -L "$TMUX_SOCKET" kill-server
  TMUX_SOCKET=
  ! ls "$T/tmp" | grep ks95cd || fail "$1: cd file left behind"
}

cat > "$T/bashrc" <<EOF
PS1='READY> '
. "$LAUNCHER/ks.sh"
EOF
check_shell bash "bash --noprofile --rcfile $T/bashrc -i" '$?'

cat > "$T/.zshrc" <<EOF
PS1='READY> '
autoload -Uz compinit && compinit -u -D
. "$LAUNCHER/ks.sh"
EOF
check_shell zsh "env ZDOTDIR=$T zsh -i" '$?'

mkdir -p "$T/fishcfg/fish"
cat > "$T/fishcfg/fish/config.fish" <<EOF
function fish_prompt; echo 'READY> '; end
function fish_greeting; end
source "$LAUNCHER/ks.fish"
EOF
check_shell fish "env XDG_CONFIG_HOME=$T/fishcfg fish -i" '$status'

# zsh without compinit completes through compctl.
mkdir -p "$T/zplain"
printf "PS1='READY> '\n. '%s/ks.sh'\n" "$LAUNCHER" > "$T/zplain/.zshrc"
: > "$LOG"
tmux_start zsh-compctl env LOG="$LOG" ZDOTDIR="$T/zplain" zsh -i
tmux_wait 'READY>'
tmux_keys -l "cd $T/off; ks IT"
tmux_keys Tab
tmux_keys -l " && echo \"P \$PWD\" >> \$LOG"
tmux_keys Enter
type_line "echo P1 >> \$LOG" P1
SHELL_NAME=zsh-compctl expect_log "P $C/docs/it's a dir"
tmux -L "$TMUX_SOCKET" kill-server
TMUX_SOCKET=

# Scripts: set -e does not stop before the cd, and a bad drive map is said
# and gives status 2.
for sh in bash zsh; do
  out=$(cd "$C/x" && $sh -c 'set -e; . "$1/ks.sh"; ks tax; pwd' _ "$LAUNCHER") ||
    fail "$sh set -e: status $?"
  [ "$out" = "$C/src/tax" ] || fail "$sh set -e: ended in $out"
  rc=0
  out=$(KS95_DRIVES='C=/a,D=/b' $sh -c '. "$1/ks.sh"; ks tax' _ "$LAUNCHER") || rc=$?
  [ "$rc" = 2 ] || fail "$sh bad drive map: status $rc"
  case $out in
    *'KS95_DRIVES entry "C=/a,D=/b" holds two entries'*) ;;
    *) fail "$sh bad drive map: $out" ;;
  esac
done
# Start-up files that make cd print or go elsewhere: the launcher must still
# find the program beside it (here through links, as an unpacked kit has it)
# and jump.  "decoy/kit" is what CDPATH would take "kit" for.
mkdir -p "$T/kit" "$T/decoy/kit"
ln -s "$LAUNCHER/ks.sh" "$T/kit/ks.sh"
ln -s "$KS95_BIN" "$T/kit/ks95"
for setup in 'cd() { builtin cd "$@" && echo "cd: $PWD"; }' \
             "CDPATH=$T/decoy; export CDPATH" \
             'chpwd() { echo "chpwd: $PWD"; }'; do
  for sh in bash zsh; do
    case $setup in chpwd*) [ "$sh" = zsh ] || continue ;; esac
    rc=0
    out=$(cd "$T" && env -u KS95_PROGRAM "$sh" -c "$setup"'
      . kit/ks.sh; ks tax > /dev/null && pwd' 2>&1) || rc=$?
    [ "$rc" = 0 ] && [ "$out" = "$C/src/tax" ] ||
      fail "$sh with '$setup': status $rc, said: $out"
  done
done

out=$(cd "$T/off" && bash -c '. "$1/ks.sh"; ks /a' _ "$LAUNCHER") && fail "/a off the map: status 0"
case $out in
  *"$T/off is on no drive of the drive map"*) ;;
  *) fail "/a off the map: $out" ;;
esac
! ls "$T/tmp" | grep ks95cd || fail "cd file left behind"

# Alt-P with no KS95_LPT1 prints through lp, the default printer; a failing
# lp has its own words on the status line.
mkdir -p "$T/bin"
cat > "$T/bin/lp" <<EOF
#!/bin/sh
[ -e "$T/lp.fail" ] && { echo "lp: Error - No default destination." >&2; exit 1; }
cat > "$T/printed"
EOF
chmod +x "$T/bin/lp"
for try in ok fail; do
  [ "$try" = fail ] && : > "$T/lp.fail"
  tmux_start "print-$try" env PATH="$T/bin:$PATH" "$KS95_BIN" =ks95
  tmux_wait "F1: Help"
  tmux_keys M-p
  tmux_wait "Print tree to LPT"
  tmux_keys 1
  if [ "$try" = ok ]; then
    tmux_wait "F1: Help"
    i=0
    until grep -q "tax" "$T/printed" 2>/dev/null; do
      i=$((i + 1))
      [ "$i" -lt 100 ] || fail "nothing reached lp"
      sleep 0.05
    done
  else
    tmux_wait "lp: Error - No default destination."
  fi
  tmux -L "$TMUX_SOCKET" kill-server
  TMUX_SOCKET=
done
echo "PASS [$E2E_NAME]"
