// Program entry, start-up, tree-mode frame and shutdown.
#pragma once

#include <string>
#include <vector>

#include "crt32/screen.h"  // FatalExit, for the shell's callers

// The whole program after the platform seams are set.  `args` are the
// arguments after the program name.  Never returns: the process ends.
[[noreturn]] void KsMain(const std::vector<std::string>& args);

// Tree mode from the first draw to the end of the main loop, then the
// tree-mode shutdown.
[[noreturn]] void RunTreeMode();
