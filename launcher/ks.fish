# The `ks` command for fish.  Add one line to ~/.config/fish/config.fish:
#
#   source /usr/local/share/ks95/ks.fish
#
# That line also sets up Tab completion of ks's argument.  Works like ks.sh
# for bash and zsh (statuses 0 moved, 1 nothing found or left, 2 error), but
# fish expands "*" and "?" itself: quote them (ks '*doc').  The program
# writes the cd file as the bare path ended by a NUL (KS95_CDFORMAT=plain),
# so no folder name is ever run as code.

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

# The folder of KS.DAT: KS95_HOME, else the user's data folder.
function __ks95_data
    if test -n "$KS95_HOME"
        echo $KS95_HOME
        return 0
    end
    set -l data $XDG_DATA_HOME
    string match -q '/*' -- "$data"; or set data $HOME/.local/share
    echo $data/ks95
end

# The data folder, made on first use; a KS.DAT that an older copy kept beside
# the program is moved there once.
function __ks95_home
    set -l data (__ks95_data)
    mkdir -p -- $data; or return 1
    if test -z "$KS95_HOME"
        set -l old (dirname (builtin realpath $argv[1]))/KS.DAT
        if test -f $old; and not test -e $data/KS.DAT; and mv -- $old $data/KS.DAT
            printf 'ks: moved %s to %s\n' $old $data/KS.DAT >&2
        end
    end
    echo $data
end

# Ctrl-C while the program runs cancels ks before it can clean up; the cd
# file goes as soon as the command line has ended.
function __ks95_forget --on-signal INT --on-event fish_postexec
    if set -q __ks95_cdfile[1]
        rm -f -- $__ks95_cdfile
        set -e __ks95_cdfile
    end
end

function ks --description 'Change to a directory picked with Kestrin 95'
    # What a plain cd does best stays a plain cd.
    switch "$argv[1]"
        case - .. . '~'
            cd $argv[1]
            return
        case /
            set argv[1] '\\'
    end
    if string match -qr '^.+/' -- "$argv[1]"
        cd -- $argv[1]
        return
    end
    set -l program (__ks95_program)
    if test -z "$program"
        echo "ks: ks95 not found; set KS95_PROGRAM to its path" >&2
        return 127
    end
    set -l home (__ks95_home $program); or return 2
    set -l tmp /tmp
    test -n "$TMPDIR"; and set tmp $TMPDIR
    set -l cdfile (mktemp $tmp/ks95cd.XXXXXX); or return 2
    set -g __ks95_cdfile $cdfile
    KS95_STATUS=shell KS95_HOME="$home" KS95_CDFILE=$cdfile KS95_CDFORMAT=plain \
        $program '=ks95' $argv
    set -l rc $status
    # The program leaves the file empty when there is nowhere new to go.
    if test -s $cdfile
        read -z -l dir <$cdfile
        cd -- $dir; or set rc 2
    end
    rm -f -- $cdfile
    set -e __ks95_cdfile
    return $rc
end

function __ks95_candidates
    set -l program (__ks95_program 2>/dev/null); or return 0
    set -l word (commandline -ct | string unescape)
    KS95_HOME=(__ks95_data) $program '=ks95' --complete "$word" 2>/dev/null
end

complete -c ks -f -n 'test (count (commandline -opc)) -eq 1' -a '(__ks95_candidates)'
