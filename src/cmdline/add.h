// Adding the start-up directory to the scan file.
#pragma once

#include <memory>

#include "platform/system.h"

// Takes the scan file open for reading at its first line.  Never returns.
[[noreturn]] void AddCurrentDirectory(std::unique_ptr<File> scanFile);

