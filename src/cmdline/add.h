// Adding the start-up directory to the scan file.
#pragma once

#include <memory>

#include "system/system.h"

[[noreturn]] void AddCurrentDirectory(std::unique_ptr<File> scanFile);
