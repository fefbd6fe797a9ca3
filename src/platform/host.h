// What the platform this build is for decides once and for all.  Each
// backend defines these (host_posix.cpp, host_win32.cpp); only the shell
// reads them and hands them down, so that the layers below can be run
// either way by their tests.  What the environment or the machine decides
// stays a call of the seam (system.h).
#pragma once

// The launcher is the `ks` shell function, not KS.BAT: the words that name
// it, and the hints typed back into a POSIX shell, follow.
extern const bool kPosixHost;

// A leading full stop is what makes a name hidden; elsewhere such names are
// never scanned.
extern const bool kDotNamesHidden;
