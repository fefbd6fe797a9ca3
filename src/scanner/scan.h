// Recursive directory scan into scanner.scanList.
#pragma once

#include <string>

void ScanDirectory(const std::string& path);
