// Program entry, start-up, tree-mode frame, shutdown and fatal exit.
#pragma once

#include <string>
#include <vector>

#include "shell/process.h"

// The whole program after the platform seams are set.  `args` are the
// arguments after the program name.  Never returns: the process ends.
[[noreturn]] void KsMain(const std::vector<std::string>& args);

// Restores the screen, writes `message` and ends.  `outcome` is what a shell
// launcher is told: an error unless the caller knows the run merely came to
// nothing.  `code` is the exit code otherwise (0 unless a caller must report
// a failure to a script).
[[noreturn]] void FatalExit(const std::string& message,
                            Outcome outcome = Outcome::kError, int code = 0);

// The "\" option: the current directory becomes the root of the current
// drive (strict).  ExitCode is left alone.
void ChangeToDriveRoot();

// Tree mode from the first draw to the end of the main loop, then the
// tree-mode shutdown.
[[noreturn]] void RunTreeMode();
