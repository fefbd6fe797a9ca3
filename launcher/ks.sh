# The `ks` command for bash and zsh.  Source this file (e.g. from ~/.bashrc):
#
#   . /path/to/ks.sh
#
# ks runs ks95 with a private cd file and then changes this shell to the
# directory the program ended in.  The program is found as $KS95_PROGRAM,
# beside this file, in ../build or ../bin next to it, or on the PATH.

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
                   "$__ks95_launcher_dir/../bin/ks95"; do
    if [ -x "$candidate" ] && [ ! -d "$candidate" ]; then
      printf '%s\n' "$candidate"
      return 0
    fi
  done
  command -v ks95
}

ks() {
  local program cdfile status
  program=$(__ks95_program) || {
    echo "ks: ks95 not found; set KS95_PROGRAM to its path" >&2
    return 127
  }
  cdfile=$(mktemp "${TMPDIR:-/tmp}/ks95cd.XXXXXX") || return 1
  KS95_CDFILE=$cdfile "$program" =ks95 "$@"
  status=$?
  # An empty file means the program ended without a directory to go to.
  if [ -s "$cdfile" ]; then
    . "$cdfile"
  fi
  rm -f -- "$cdfile"
  return $status
}
