# The `ks` command for PowerShell 7 and Windows PowerShell 5.1.  Add one line
# to your profile ($PROFILE), naming the folder that holds ks95.exe and this
# file:
#
#   . C:\Tools\ks95\ks.ps1
#
# That line also sets up Tab completion of ks's argument.  ks runs ks95.exe
# and then moves this session to the directory the program ended in, read
# from the cd batch KS95CD.BAT that it writes beside itself, when that is a
# different one, so that `Set-Location -` still leads back.  Status, in
# $LASTEXITCODE and in $? (so `ks src && ls` works in PowerShell 7): 0 when
# the session moved (or the request was done), 1 when nothing was found or
# the user left, 2 when the program reported an error.  `ks ..`, `ks -`,
# `ks ~` and a path such as `ks src\lib` are a plain Set-Location.
#
# Windows PowerShell 5.1 must parse this file too: no &&, ||, ??, ??=, ?.
# or ?: here, and ASCII only, since 5.1 reads a file without a BOM in the
# ANSI code page.

$global:Ks95Folder = $PSScriptRoot

# ks95.exe writes the batch in the code page cmd.exe reads it in: the
# console's input code page (the OEM one when there is no console).  This
# session's console is the one the program ran in.  PowerShell 7 would
# otherwise read the batch as UTF-8.
function global:Get-Ks95Encoding {
    try {
        $cp = [Console]::InputEncoding.CodePage
        if ($cp -gt 0) { return [System.Text.Encoding]::GetEncoding([int]$cp) }
    } catch { }
    try {
        $oem = (Get-ItemProperty -LiteralPath 'HKLM:\SYSTEM\CurrentControlSet\Control\Nls\CodePage').OEMCP
        return [System.Text.Encoding]::GetEncoding([int]$oem)
    } catch {
        return [System.Text.Encoding]::Default
    }
}

# What a plain Set-Location does best stays one: the history step back, home,
# the parent, and any path with a separator after its first character ("\"
# alone and the options such as /a start with one).
function global:Test-Ks95PlainLocation([string] $word) {
    if ($word -eq '-' -or $word -eq '~' -or $word -eq '.' -or $word -eq '..') {
        return $true
    }
    return $word.Length -gt 1 -and $word.IndexOfAny([char[]]'/\', 1) -gt 0
}

# The directory that line 2 of the cd batch names: cd "<directory>", every
# % doubled for cmd.exe.  Nothing when the batch holds no line 2 of that form.
function global:Read-Ks95CdBatch([string] $cdBatch) {
    $lines = [System.IO.File]::ReadAllLines($cdBatch, (Get-Ks95Encoding))
    if ($lines.Count -lt 2) { return $null }
    $line = $lines[1]
    if (-not ($line.Length -gt 5 -and $line.StartsWith('cd "') -and $line.EndsWith('"'))) {
        return $null
    }
    return $line.Substring(4, $line.Length - 5).Replace('%%', '%')
}

function global:ks {
    # An advanced function: only its own error record makes $? false.  An
    # argument that starts with "-" and names a common parameter (-v, -d)
    # must be quoted: ks '-v'.
    [CmdletBinding()]
    param([Parameter(Position = 0, ValueFromRemainingArguments = $true)]
          [string[]] $Ks95Words)
    $first = ''
    if ($Ks95Words) { $first = $Ks95Words[0] }
    $program = Join-Path $global:Ks95Folder 'ks95.exe'
    $cdBatch = Join-Path $global:Ks95Folder 'KS95CD.BAT'
    $status = 0
    if (Test-Ks95PlainLocation $first) {
        if ($first -eq '-') { Set-Location - } else { Set-Location -LiteralPath $first }
        if (-not $?) { $status = 1 }
    } elseif (-not (Test-Path -LiteralPath $program -PathType Leaf)) {
        $Host.UI.WriteErrorLine("ks: $program not found")
        $status = 127
    } else {
        # A batch left by an earlier run must not move this one.
        if (Test-Path -LiteralPath $cdBatch) { Remove-Item -LiteralPath $cdBatch -Force }
        if (Test-Path -LiteralPath $cdBatch) {
            $status = 2
        } else {
            # The program then writes the batch only when the directory
            # changed, and ends with the shell statuses.  Not inside a
            # function whose result is taken: that would capture the
            # program's output.
            $savedStatus = $env:KS95_STATUS
            $env:KS95_STATUS = 'shell'
            try {
                & $program '=ks95' @Ks95Words
                $status = $LASTEXITCODE
            } finally {
                $env:KS95_STATUS = $savedStatus
            }
        }
        if ($status -ne 2 -and (Test-Path -LiteralPath $cdBatch) -and
            (Get-Item -LiteralPath $cdBatch).Length -gt 0) {
            # The directory goes to Set-Location as data, never through a
            # parser, and never as a wildcard.
            $directory = Read-Ks95CdBatch $cdBatch
            if ($null -eq $directory) {
                $Host.UI.WriteErrorLine("ks: $cdBatch is not a cd batch")
                $status = 2
            } else {
                Set-Location -LiteralPath $directory
                if (-not $?) { $status = 2 }
            }
        }
    }
    $global:LASTEXITCODE = $status
    if ($status -ne 0) {
        # Quietly: the program has said what went wrong.  5.1 takes Ignore
        # only for a single command.
        if ($PSVersionTable.PSVersion.Major -ge 6) {
            $ErrorActionPreference = 'Ignore'
        } else {
            $ErrorActionPreference = 'SilentlyContinue'
        }
        $PSCmdlet.WriteError((New-Object System.Management.Automation.ErrorRecord (
            (New-Object System.Exception "ks: status $status"), 'Ks95Status',
            [System.Management.Automation.ErrorCategory]::NotSpecified, $null)))
    }
}

# PowerShell's quote characters, the typographic ones included.
$global:Ks95SingleQuotes = "'" + [char]0x2018 + [char]0x2019 + [char]0x201A + [char]0x201B
$global:Ks95DoubleQuotes = '"' + [char]0x201C + [char]0x201D + [char]0x201E

# The typed word without its PowerShell quoting.
function global:ConvertFrom-Ks95Quoted([string] $word) {
    $single = $global:Ks95SingleQuotes
    if ($word.Length -gt 0 -and $single.IndexOf($word[0]) -ge 0) {
        $word = $word.Substring(1)
        if ($word.Length -gt 0 -and $single.IndexOf($word[$word.Length - 1]) -ge 0) {
            $word = $word.Substring(0, $word.Length - 1)
        }
        return $word -replace "[$single]([$single])", '$1'
    }
    if ($word.Length -gt 0 -and $global:Ks95DoubleQuotes.IndexOf($word[0]) -ge 0) {
        $word = $word.Substring(1)
        if ($word.Length -gt 0 -and $global:Ks95DoubleQuotes.IndexOf($word[$word.Length - 1]) -ge 0) {
            $word = $word.Substring(0, $word.Length - 1)
        }
    }
    return $word -replace '`(.)', '$1'
}

# A name as PowerShell must read it back as one plain argument: single
# quotes around anything beyond letters, digits and a few safe signs.
function global:ConvertTo-Ks95Quoted([string] $name) {
    if ($name -match '^[\w.\\/:*?+~%=][\w.\\/:*?+~%=-]*$') { return $name }
    $single = $global:Ks95SingleQuotes
    return "'" + ($name -replace "([$single])", '$1$1') + "'"
}

# Tab completes the first argument from the program's own completion mode;
# its output is in the console's output code page, which PowerShell decodes.
Register-ArgumentCompleter -CommandName ks -ParameterName Ks95Words -ScriptBlock {
    param($commandName, $parameterName, $wordToComplete, $commandAst, $fakeBoundParameters)
    $count = $commandAst.CommandElements.Count
    if ($count -gt 2 -or ($count -eq 2 -and $wordToComplete -eq '')) { return }
    $program = Join-Path $global:Ks95Folder 'ks95.exe'
    if (-not (Test-Path -LiteralPath $program -PathType Leaf)) { return }
    $word = ConvertFrom-Ks95Quoted $wordToComplete
    foreach ($name in (& $program '=ks95' '--complete' $word 2>$null)) {
        if ($name) {
            New-Object System.Management.Automation.CompletionResult (
                (ConvertTo-Ks95Quoted $name), $name, 'ParameterValue', $name)
        }
    }
}
