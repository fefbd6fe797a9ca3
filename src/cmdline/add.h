// Adding the start-up directory to the scan file.
#pragma once

#include <memory>
#include <string>

#include "system/system.h"

// Takes the scan file open for reading at its first line.  Never returns.
[[noreturn]] void AddCurrentDirectory(std::unique_ptr<File> scanFile);

// The directory above `path`: "C:\APPS\NEW" gives "C:\APPS", "C:\GAMES"
// gives "C:\"; empty when `path` holds no backslash.
std::string ParentPath(const std::string& path);
