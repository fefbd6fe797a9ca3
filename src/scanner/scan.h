// Recursive directory scan into scanner.scanList.
#pragma once

#include <string>

// The keyboard is asked for Esc once per this many enumeration steps: asking
// the console costs a system call, an enumeration step usually does not.
constexpr int kKeyPollInterval = 64;

void ScanDirectory(const std::string& path);
