// Command-line mode: argument dispatch and the option list.
#pragma once

void RunCommandLineMode();
// True when the run went to the drive root ("\"): a move even when the
// shell stood there already.
bool CommandLineWentToRoot();
// The "\" option: the current directory becomes the root of the current
// drive (strict).  ExitCode is left alone.
void ChangeToDriveRoot();
[[noreturn]] void ShowOptionList();
