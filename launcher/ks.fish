# The `ks` command for fish.  Add one line to ~/.config/fish/config.fish:
#
#   source /usr/local/share/ks95/ks.fish
#
# Works like ks.sh for bash and zsh: ks runs ks95 with a private cd file and
# then changes to the directory the program ended in.  The program writes
# that file as the bare path ended by a NUL (KS95_CDFORMAT=plain), so no
# folder name is ever run as code.

set -g __ks95_launcher_dir (builtin realpath (dirname (status current-filename)))

function __ks95_program
    if test -n "$KS95_PROGRAM"
        echo $KS95_PROGRAM
        return 0
    end
    for candidate in $__ks95_launcher_dir/ks95 $__ks95_launcher_dir/../build/ks95 \
            $__ks95_launcher_dir/../bin/ks95 $__ks95_launcher_dir/../../bin/ks95
        if test -x $candidate; and not test -d $candidate
            echo $candidate
            return 0
        end
    end
    command -s ks95
end

# KS95_HOME if set; else empty (beside the program) when the program's real
# folder is writable; else the user's data folder, made on first use.
function __ks95_home
    if test -n "$KS95_HOME"
        echo $KS95_HOME
        return 0
    end
    test -w (dirname (builtin realpath $argv[1])); and return 0
    set -l data $XDG_DATA_HOME
    string match -q '/*' -- "$data"; or set data $HOME/.local/share
    mkdir -p -- $data/ks95; or return 1
    echo $data/ks95
end

function ks --description 'Change to a directory picked with Kestrin 95'
    set -l program (__ks95_program)
    if test -z "$program"
        echo "ks: ks95 not found; set KS95_PROGRAM to its path" >&2
        return 127
    end
    set -l home (__ks95_home $program); or return 1
    set -l tmp /tmp
    test -n "$TMPDIR"; and set tmp $TMPDIR
    set -l cdfile (mktemp $tmp/ks95cd.XXXXXX); or return 1
    KS95_HOME="$home" KS95_CDFILE=$cdfile KS95_CDFORMAT=plain $program '=ks95' $argv
    set -l rc $status
    # An empty file means the program ended without a directory to go to.
    if test -s $cdfile
        read -z -l dir <$cdfile
        cd -- $dir
    end
    rm -f -- $cdfile
    return $rc
end
