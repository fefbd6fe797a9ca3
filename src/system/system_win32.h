// The Windows system seam with a name conversion of the caller's, for tests
// of how a listing names what the code page cannot hold.
#pragma once

#include <memory>

#include "system/codepage_win32.h"
#include "system/system.h"

std::unique_ptr<System> CreateWin32System(const NameConversion& names);
