# The `ks` command for bash and zsh.  Add one line to ~/.bashrc or ~/.zshrc:
#
#   . /usr/local/share/ks95/ks.sh
#
# That line also sets up Tab completion of ks's argument and keeps the shell
# from expanding "*" and "?" in it (`ks *doc` reaches the program as typed).
#
# ks runs ks95 with a private cd file and then changes this shell to the
# directory the program ended in, when that is a different one.  Status: 0
# when the shell moved (or the request was done), 1 when nothing was found or
# the user left, 2 when the program reported an error.  The program is found
# as $KS95_PROGRAM, beside this file, in ../build, ../bin or ../../bin next
# to it (the last is an installed copy), or on the PATH.  KS.DAT lives in
# $KS95_HOME, or else in $XDG_DATA_HOME/ks95 (~/.local/share/ks95).
#
# The test run checks this file with shellcheck, which knows no zsh and so
# reads it as bash; each line kept from one of its checks says why (most are
# zsh's own syntax, in the zsh branch).
# shellcheck shell=bash

# Sourced again: the alias made last time must not rewrite the definitions.
unalias ks 2>/dev/null || true

# This file's folder, links resolved, found without the user's cd: a cd
# function or alias that prints, CDPATH (bash prints the folder it found, and
# may find another than meant) or a zsh chpwd hook would write into the name.
if [ -n "${ZSH_VERSION:-}" ]; then
  # The folder first, then resolved (:h:A): a link to this file is found
  # where the link lies, as bash finds it.
  eval '__ks95_launcher_dir=${${(%):-%x}:h:A}'
else
  __ks95_launcher_dir=${BASH_SOURCE[0]:-}
  case $__ks95_launcher_dir in
    */*) __ks95_launcher_dir=${__ks95_launcher_dir%/*} ;;
    *) __ks95_launcher_dir=. ;;
  esac
  __ks95_launcher_dir=$(CDPATH='' builtin cd -P -- "${__ks95_launcher_dir:-/}" \
                          > /dev/null 2>&1 && builtin pwd -P)
fi

__ks95_program() {
  local candidate
  if [ -n "${KS95_PROGRAM:-}" ]; then
    printf '%s\n' "$KS95_PROGRAM"
    return 0
  fi
  for candidate in "$__ks95_launcher_dir/ks95" \
                   "$__ks95_launcher_dir/../build/ks95" \
                   "$__ks95_launcher_dir/../bin/ks95" \
                   "$__ks95_launcher_dir/../../bin/ks95"; do
    if [ -x "$candidate" ] && [ ! -d "$candidate" ]; then
      printf '%s\n' "$candidate"
      return 0
    fi
  done
  command -v ks95
}

# The folder of KS.DAT: KS95_HOME, else the user's data folder.
__ks95_data() {
  local data
  if [ -n "${KS95_HOME:-}" ]; then
    printf '%s\n' "$KS95_HOME"
    return 0
  fi
  data=${XDG_DATA_HOME:-}
  case $data in
    /*) ;;
    *) data=$HOME/.local/share ;;
  esac
  printf '%s\n' "$data/ks95"
}

# The data folder, made on first use.  A KS.DAT that an older copy kept
# beside the program is moved there once.
__ks95_home() {
  local data old
  data=$(__ks95_data) || return 1
  mkdir -p -- "$data" || return 1
  if [ -z "${KS95_HOME:-}" ]; then
    old=$(readlink -f -- "$1" 2>/dev/null) || old=$1
    old=$(dirname -- "$old")/KS.DAT
    if [ -f "$old" ] && [ ! -e "$data/KS.DAT" ] &&
       mv -- "$old" "$data/KS.DAT"; then
      printf 'ks: moved %s to %s\n' "$old" "$data/KS.DAT" >&2
    fi
  fi
  printf '%s\n' "$data"
}

ks() {
  # The alias below switched globbing off for the ks line; it is the user's
  # again from here on.
  if [ -n "${__ks95_glob+x}" ]; then
    case $__ks95_glob in
      *f*) ;;
      *) set +f ;;
    esac
    unset __ks95_glob
  fi
  # What a plain cd does best stays a plain cd.
  case ${1-} in
    -) cd - || return; return ;;
    '~') cd -- "$HOME" || return; return ;;
    ..|.|?*/*) cd -- "$1" || return; return ;;
    /) shift; set -- "\\" "$@" ;;
  esac
  local program home cdfile rc=0 oldint=
  program=$(__ks95_program) || {
    echo "ks: ks95 not found; set KS95_PROGRAM to its path" >&2
    return 127
  }
  home=$(__ks95_home "$program") || return 2
  cdfile=$(mktemp "${TMPDIR:-/tmp}/ks95cd.XXXXXX") || return 2
  # Ctrl-C must not leave the cd file behind.
  if [ -n "${ZSH_VERSION:-}" ]; then
    setopt localoptions localtraps
    trap 'rm -f -- "$cdfile"; return 130' INT
  else
    oldint=$(trap -p INT)
    trap 'rm -f -- "$cdfile"; trap - INT; eval "$oldint"; kill -INT $$' INT
  fi
  # Quoted: zsh would expand a bare =ks95 to the path of a command.  The
  # "||" keeps `set -e` from ending a script before the cleanup.
  KS95_STATUS=shell KS95_HOME=$home KS95_CDFILE=$cdfile \
    "$program" '=ks95' "$@" || rc=$?
  # The program leaves the file empty when there is nowhere new to go.
  if [ -s "$cdfile" ]; then
    # shellcheck source=/dev/null  # written by the program just now
    . "$cdfile" || rc=2
  fi
  rm -f -- "$cdfile"
  if [ -z "${ZSH_VERSION:-}" ]; then
    trap - INT
    eval "$oldint"
  fi
  return "$rc"
}

# The candidates for the word being completed, one a line.  Every Tab runs
# this, so it forks nothing but the program (found once).
__ks95_candidates() {
  local program=${KS95_PROGRAM:-} data=${KS95_HOME:-}
  if [ -z "$program" ]; then
    if [ -z "${__ks95_found:-}" ] || [ ! -x "$__ks95_found" ]; then
      __ks95_found=$(__ks95_program 2>/dev/null) || return 0
    fi
    program=$__ks95_found
  fi
  if [ -z "$data" ]; then
    data=${XDG_DATA_HOME:-}
    case $data in
      /*) ;;
      *) data=$HOME/.local/share ;;
    esac
    data=$data/ks95
  fi
  KS95_HOME=$data "$program" '=ks95' --complete "$1" 2>/dev/null
}

if [ -n "${ZSH_VERSION:-}" ]; then
  # noglob: `ks *api`, `ks ?` and `ks d:*doc` reach the program as typed.
  alias ks='noglob ks'

  # SC2296: ${(@f)...} and ${(Q)...} are zsh's parameter flags.  SC2206:
  # ${names:#} drops the empty words, and zsh splits no unquoted words.
  # shellcheck disable=SC2296,SC2206
  __ks95_complete_zsh() {
    (( CURRENT == 2 )) || return 1
    local -a names
    names=("${(@f)$(__ks95_candidates "${(Q)PREFIX}")}")
    names=(${names:#})
    (( ${#names} )) || return 1
    # -U: the candidates match whatever the letter case typed; compadd
    # quotes blanks and quotes as it inserts them.
    compadd -U -- "${names[@]}"
  }
  # Without compinit: compctl sees the line after the alias, "noglob ks
  # word", so it is bound to noglob and answers only for ks's argument
  # (other commands after noglob still complete as commands).
  # As above; SC2162: zsh's read -c reads the words of the command line
  # being completed, not input.
  # shellcheck disable=SC2296,SC2206,SC2162
  __ks95_compctl() {
    local -a words
    read -cA words
    reply=()
    if [[ ${words[1]} == noglob && ${words[2]} == ks && ${#words} -le 3 ]]; then
      reply=("${(@f)$(__ks95_candidates "$1")}")
      reply=(${reply:#})
    fi
  }
  if (( ${+functions[compdef]} )); then
    compdef __ks95_complete_zsh ks
  else
    compctl -M 'm:{a-zA-Z}={A-Za-z}' -K __ks95_compctl + -c noglob
  fi
elif [ -n "${BASH_VERSION:-}" ]; then
  # Globbing is off while bash expands the ks line and back on inside ks.
  # "&&" rather than ";" so that `false && ks x` still runs nothing.
  alias ks='__ks95_glob=$- && set -f && ks'

  # The typed word without its shell quoting (\x is x, quotes go), in
  # __ks95_word.
  __ks95_unquote() {
    local in=$1 c quote=
    __ks95_word=
    while [ -n "$in" ]; do
      c=${in:0:1}
      in=${in:1}
      if [ "$quote" = "'" ]; then
        if [ "$c" = "'" ]; then quote=; else __ks95_word+=$c; fi
      elif [ "$c" = "\\" ]; then
        __ks95_word+=${in:0:1}
        in=${in:1}
      elif [ "$c" = '"' ]; then
        if [ "$quote" = '"' ]; then quote=; else quote='"'; fi
      elif [ "$c" = "'" ]; then
        quote="'"
      else
        __ks95_word+=$c
      fi
    done
  }

  __ks95_complete_bash() {
    local line names quoted lead
    COMPREPLY=()
    # The whole argument up to the cursor: bash's own words break at ":"
    # and quotes.
    line=${COMP_LINE:0:COMP_POINT}
    line=${line#"${line%%[![:space:]]*}"}
    line=${line#*[[:space:]]}
    line=${line#"${line%%[![:space:]]*}"}
    case $line in
      *[[:space:]]*) case $line in *\\[[:space:]]*|*[\'\"]*) ;; *) return 0 ;; esac ;;
    esac
    __ks95_unquote "$line"
    # Read whole, not line by line: bash reads a pipe a byte at a time.
    # Split at line ends only, with globbing off until the return.
    local - IFS=$'\n'
    set -f
    names=$(__ks95_candidates "$__ks95_word")
    [ -n "$names" ] || return 0
    # shellcheck disable=SC2206  # split at line ends only (IFS), no globs (-f)
    names=($names)
    # Quoted here, so that a name with blanks or quotes is one word; %q
    # writes no line end of its own.
    printf -v quoted '%q\n' "${names[@]}"
    # shellcheck disable=SC2206  # as above: one word a line, each quoted by %q
    COMPREPLY=($quoted)
    # bash replaces only what follows a "d:"; the candidates must too.
    case $__ks95_word in
      ?:*)
        lead=${__ks95_word:0:2}
        COMPREPLY=("${COMPREPLY[@]#"$lead"}")
        ;;
    esac
  }
  complete -F __ks95_complete_bash ks
fi
