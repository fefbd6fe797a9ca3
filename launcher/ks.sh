# The `ks` command for bash and zsh.  Add one line to ~/.bashrc or ~/.zshrc:
#
#   . /usr/local/share/ks95/ks.sh
#
# ks runs ks95 with a private cd file and then changes this shell to the
# directory the program ended in.  The program is found as $KS95_PROGRAM,
# beside this file, in ../build, ../bin or ../../bin next to it (the last
# is an installed copy), or on the PATH.  When the program's folder is not
# writable, KS.DAT lives in $XDG_DATA_HOME/ks95 unless KS95_HOME says where.

if [ -n "${ZSH_VERSION:-}" ]; then
  eval '__ks95_launcher=${(%):-%x}'
else
  __ks95_launcher=${BASH_SOURCE[0]:-}
fi
__ks95_launcher_dir=$(cd -- "$(dirname -- "${__ks95_launcher:-.}")" && pwd -P)
unset __ks95_launcher

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

# Where KS.DAT should live: KS95_HOME if set; else nothing (beside the
# program) when the program's real folder is writable; else the user's data
# folder, made on first use.
__ks95_home() {
  local real data
  if [ -n "${KS95_HOME:-}" ]; then
    printf '%s\n' "$KS95_HOME"
    return 0
  fi
  real=$(readlink -f -- "$1" 2>/dev/null) || real=$1
  if [ -w "$(dirname -- "$real")" ]; then
    return 0
  fi
  data=${XDG_DATA_HOME:-}
  case $data in
    /*) ;;
    *) data=$HOME/.local/share ;;
  esac
  mkdir -p -- "$data/ks95" || return 1
  printf '%s\n' "$data/ks95"
}

ks() {
  local program home cdfile rc
  program=$(__ks95_program) || {
    echo "ks: ks95 not found; set KS95_PROGRAM to its path" >&2
    return 127
  }
  home=$(__ks95_home "$program") || return 1
  cdfile=$(mktemp "${TMPDIR:-/tmp}/ks95cd.XXXXXX") || return 1
  # Quoted: zsh would expand a bare =ks95 to the path of a command.
  KS95_HOME=$home KS95_CDFILE=$cdfile "$program" '=ks95' "$@"
  rc=$?
  # An empty file means the program ended without a directory to go to.
  if [ -s "$cdfile" ]; then
    . "$cdfile"
  fi
  rm -f -- "$cdfile"
  return $rc
}
