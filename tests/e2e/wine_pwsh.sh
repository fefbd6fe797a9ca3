#!/bin/bash
# ks.ps1 in a real PowerShell 7 session: pwsh in tmux dot-sources the
# launcher, whose ks95.exe starts the Windows build under Wine.  Every Wine
# drive letter is a PowerShell drive of the same letter, and the session's
# console encodings are code page 437, Wine's console code page, which the
# program writes the cd batch and its completions in.  Each case notes its
# status, $?, where the session stands and KS95_STATUS; the checks run at
# the end and report every case that went wrong.
. "${KS95_SOURCE_DIR:?run it through ctest}/tests/e2e/lib.sh"

pwsh=$(command -v pwsh || echo "$HOME/.dotnet/tools/pwsh")
if [ ! -x "$pwsh" ]; then
  echo "SKIP [$E2E_NAME]: no pwsh (scripts/install-deps --all installs it)"
  exit 77
fi

T=$(e2e_tmpdir)
T=$(cd "$T" && pwd -P)
bad=()

# Windows PowerShell 5.1 reads the launcher too: none of the operators it
# lacks, and no byte it would read in another code page.
cat > "$T/syntax.ps1" <<'EOF'
$tokens = $null; $errors = $null
$ast = [System.Management.Automation.Language.Parser]::ParseFile($args[0], [ref]$tokens, [ref]$errors)
$errors | ForEach-Object { "parse: $($_.Message)" }
$ast.FindAll({
    param($n)
    $n -is [System.Management.Automation.Language.PipelineChainAst] -or
    $n -is [System.Management.Automation.Language.TernaryExpressionAst] -or
    ($n -is [System.Management.Automation.Language.BinaryExpressionAst] -and $n.Operator -eq 'QuestionQuestion') -or
    ($n -is [System.Management.Automation.Language.AssignmentStatementAst] -and $n.Operator -eq 'QuestionQuestionEquals') -or
    ($n -is [System.Management.Automation.Language.MemberExpressionAst] -and $n.NullConditional) -or
    ($n -is [System.Management.Automation.Language.IndexExpressionAst] -and $n.NullConditional)
}, $true) | ForEach-Object { "line $($_.Extent.StartLineNumber): $($_.Extent.Text)" }
EOF
found=$(HOME=$T "$pwsh" -NoProfile -File "$T/syntax.ps1" "$KS95_SOURCE_DIR/launcher/ks.ps1")
[ -z "$found" ] || bad+=("ks.ps1 beyond 5.1: $found")
if LC_ALL=C grep -q '[^[:print:][:space:]]' "$KS95_SOURCE_DIR/launcher/ks.ps1"; then
  bad+=("ks.ps1 holds bytes beyond ASCII")
fi

wine_setup
wineboot < /dev/null > /dev/null 2>&1
d=$T/d
prog=$T/prog
mkdir -p "$prog" "$T/home" "$d/apps/win" "$d/win" "$d/work" "$d/Bar Café" \
  "$d/Café" "$d/it's" "$d/q\`t \$HOME 50%x%" "$d/[x] y" "$d/Øresund"
cp "$KS95_SOURCE_DIR/launcher/ks.ps1" "$prog/"
cp "$KS95_BIN" "$prog/ks95-win.exe"
# The name the launcher starts; the real program sits beside it, so the
# scan file and the cd batch are the launcher's.  Wine's console for the
# terminal outlives the program by a moment and reads the terminal until it
# ends: PowerShell's question for the cursor position would go unanswered.
cat > "$prog/ks95.exe" <<'WRAP'
#!/bin/sh
wine "$(dirname "$0")/ks95-win.exe" "$@"
rc=$?
t=$(tty) && t=${t#/dev/}
i=0
while [ "$i" -lt 100 ] && ps -t "$t" -o args= | grep -q conhost; do
  sleep 0.05
  i=$((i + 1))
done
exit "$rc"
WRAP
chmod +x "$prog/ks95.exe"
# In tree order, the names in the ANSI code page (1252).
printf '%s\r\n' 'D:\*01.12.2026' 'D:\apps' 'D:\apps\win' $'D:\\Bar Caf\xe9' \
  $'D:\\Caf\xe9' "D:\\it's" 'D:\q`t $HOME 50%x%' 'D:\win' 'D:\work' \
  'D:\[x] y' $'D:\\\xd8resund' > "$prog/KS.DAT"
wine_map_drive D "$d"

notes=$T/notes.txt
cat > "$T/setup.ps1" <<EOF
function global:prompt { 'PS> ' }
\$null = New-PSDrive -Name C -PSProvider FileSystem -Root '$WINEPREFIX/drive_c' -Scope Global
\$null = New-PSDrive -Name D -PSProvider FileSystem -Root '$d' -Scope Global
\$null = New-PSDrive -Name Z -PSProvider FileSystem -Root '/' -Scope Global
[Console]::InputEncoding = [Text.Encoding]::GetEncoding(437)
[Console]::OutputEncoding = [Text.Encoding]::GetEncoding(437)
function global:Note([string] \$name, \$ok, [string] \$extra) {
    \$line = '{0}|{1}|{2}|{3}|{4}|{5}' -f \$name, \$global:LASTEXITCODE, \$ok,
        (Get-Location).ProviderPath, [string]\$env:KS95_STATUS, \$extra
    [IO.File]::AppendAllText('$notes', \$line + "\`n", (New-Object Text.UTF8Encoding \$false))
}
Set-Location D:\\work
Note ready \$true
EOF

cd "$T"
export HOME=$T/home POWERSHELL_TELEMETRY_OPTOUT=1 POWERSHELL_UPDATECHECK=Off
tmux_start pwsh "$pwsh" -NoProfile -NoLogo -NoExit -Command ". '$T/setup.ps1'"

# The note of case $1, once the session has written it.
note() {
  local i=0 line l
  while :; do
    line=
    if [ -f "$notes" ]; then
      while IFS= read -r l; do
        case $l in "$1|"*) line=$l ;; esac
      done < "$notes"
    fi
    [ -z "$line" ] || break
    [ "$i" -lt 1200 ] || fail "no note for $1"
    sleep 0.05
    i=$((i + 1))
  done
  printf '%s\n' "$line"
}
# Like tmux_wait, but a miss is one more case gone wrong.
shows() {
  local i=0
  until tmux_screen | grep -qF -- "$1"; do
    if [ "$i" -ge 400 ]; then
      bad+=("$2: the screen never showed: $1")
      return 0
    fi
    sleep 0.05
    i=$((i + 1))
  done
}
# Types one line into the session.
type_line() { tmux_keys -l "$1"; tmux_keys Enter; }
# expect CASE STATUS OK DIR [EXTRA]: the note of CASE has these fields and
# KS95_STATUS is unset again.
expect() {
  local want got
  want="$1|$2|$3|$4||${5-}"
  got=$(note "$1")
  [ "$got" = "$want" ] || bad+=("$1: noted '$got', expected '$want'")
}

note ready > /dev/null
E2E_WAIT=30
# The profile line, as on Windows.
type_line ". '$(winpath "$prog/ks.ps1")'; Note sourced \$true"
expect sourced '' True "$d/work"
# The hand-off: a jump moves the session, status 0, and && runs on.  The
# session reads typed keys in code page 437 too: é goes in as [char]0xE9.
type_line "ks \"caf\$([char]0xE9)\"; Note jump \$?"
expect jump 0 True "$d/Café"
printf 'D:\r\ncd "D:\\Caf\x82"\r\n' | cmp -s - "$prog/KS95CD.BAT" ||
  bad+=("jump: cd batch $(od -c "$prog/KS95CD.BAT" | head -2)")
type_line "ks 'bar caf' && Note and \$?"
expect and 0 True "$d/Bar Café"

# Several matches: the chooser, Down and Enter pick the second.
type_line 'Set-Location D:\work; ks win; Note chooser $?'
tmux_wait 'Exact: 2'
sleep 1
tmux_keys Down Enter
expect chooser 0 True "$d/win"

# Tree mode: Up from the start-up directory, then Enter.
type_line 'Set-Location D:\work; ks; Note tree $?'
wait_status 'D:\work'
step Up 'D:\win'
tmux_keys Enter
expect tree 0 True "$d/win"

# Esc leaves the session where it was, and the step back still leads to
# where it came from.
type_line 'Set-Location D:\work; Set-Location D:\apps; ks win; Note esc $?'
tmux_wait 'Exact: 2'
sleep 1
tmux_keys Escape
expect esc 1 False "$d/apps"
type_line 'Set-Location -; Note back $?'
expect back 1 True "$d/work"

type_line 'ks zzz; Note none $?'
expect none 1 False "$d/work"
shows '"ZZZ" not found.' none

# The names PowerShell and cmd.exe treat as code or wildcards.
type_line "ks '[x]'; Note brackets \$?"
expect brackets 0 True "$d/[x] y"
type_line "ks 'q\`t'; Note tick \$?"
expect tick 0 True "$d/q\`t \$HOME 50%x%"
type_line "ks \"it's\"; Note quote \$?"
expect quote 0 True "$d/it's"

# What a plain Set-Location does stays one; "\" is the program's.
type_line 'Set-Location D:\apps\win; ks ..; Note up $?'
expect up 0 True "$d/apps"
type_line 'ks -; Note dash $?'
expect dash 0 True "$d/apps/win"
type_line 'ks ~; Note home $?'
expect home 0 True "$T/home"
type_line 'Set-Location D:\; ks apps\win; Note sep $?'
expect sep 0 True "$d/apps/win"
type_line 'ks \; Note root $?'
expect root 0 True "$d/"

# /a adds the current directory and moves nowhere; a read-only scan file
# refuses it, a missing one stops a jump.
mkdir "$d/work/new" "$d/work/new2"
type_line 'Set-Location D:\work\new; ks /a; Note add $?'
expect add 0 True "$d/work/new"
grep -aqx $'D:\\\\work\\\\new\r' "$prog/KS.DAT" || bad+=("add: D:\\work\\new not in KS.DAT")
chmod a-w "$prog/KS.DAT"
type_line 'Set-Location D:\work\new2; ks /a; Note readonly $?'
expect readonly 2 False "$d/work/new2"
grep -aq 'new2' "$prog/KS.DAT" && bad+=("readonly: KS.DAT was rewritten")
chmod u+w "$prog/KS.DAT"
mv "$prog/KS.DAT" "$T/KS.DAT"
type_line 'ks win; Note missing $?'
expect missing 2 False "$d/work/new2"
shows 'Error opening Z:' missing
mv "$T/KS.DAT" "$prog/KS.DAT"

# Tab: the one name for "bar" comes back quoted and jumps; the others as
# TabExpansion2 gives them.  Øresund has no form in code page 437 and is
# left out rather than offered as another name.
type_line 'Set-Location D:\work'
tmux_keys -l 'ks bar'
tmux_keys Tab
shows "ks 'Bar Caf" tab
type_line '; Note tab $?'
expect tab 0 True "$d/Bar Café"
# complete TEXT CANDIDATES: what TabExpansion2 offers at the end of TEXT.
complete() {
  local quoted=${1//\'/\'\'}
  type_line "Note 'complete $quoted' \$true ((TabExpansion2 '$quoted' ${#1}).CompletionMatches.CompletionText -join '/')"
  expect "complete $1" 0 True "$d/Bar Café" "$2"
}
complete 'ks it' "'it''s'"
complete 'ks [x' "'[x] y'"
complete "ks 'q" "'q\`t \$HOME 50%x%'"
complete 'ks d:caf' 'd:Café'
complete 'ks *resund' ''

if [ "${#bad[@]}" -gt 0 ]; then
  printf '%s\n' "${bad[@]}" >&2
  fail "${#bad[@]} case(s) went wrong"
fi
echo "PASS [$E2E_NAME]"
