// The Windows system seam with a name conversion of the caller's, for tests
// of how a listing names what the code page cannot hold.
#pragma once

#include <memory>

#include "win32/codepage_win32.h"
#include "platform/system.h"

std::unique_ptr<System> CreateWin32System(const NameConversion& names);
