# The `ks` command for PowerShell.  Add one line to your profile ($PROFILE),
# naming the folder that holds ks95.exe and this file:
#
#   . C:\Tools\ks95\ks.ps1
#
# ks runs ks95.exe and then moves this session to the directory the program
# ended in, read from the cd batch KS95CD.BAT that it writes beside itself.

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

function global:ks {
    $program = Join-Path $global:Ks95Folder 'ks95.exe'
    $cdBatch = Join-Path $global:Ks95Folder 'KS95CD.BAT'
    # A batch left by an earlier run must not move this one.
    if (Test-Path -LiteralPath $cdBatch) {
        Remove-Item -LiteralPath $cdBatch
    }
    & $program '=ks95' @args
    $rc = $LASTEXITCODE
    if (Test-Path -LiteralPath $cdBatch) {
        # Line 2 is: cd "<directory>", every % doubled for cmd.exe.  The
        # directory goes to Set-Location as data, never through a parser.
        $lines = [System.IO.File]::ReadAllLines($cdBatch, (Get-Ks95Encoding))
        if ($lines.Count -ge 2) {
            $line = $lines[1]
            if ($line.Length -gt 5 -and $line.StartsWith('cd "') -and $line.EndsWith('"')) {
                $directory = $line.Substring(4, $line.Length - 5).Replace('%%', '%')
                Set-Location -LiteralPath $directory
            }
        }
    }
    $global:LASTEXITCODE = $rc
}
