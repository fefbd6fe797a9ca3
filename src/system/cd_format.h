// The POSIX cd file in the forms a launcher can ask for (KS95_CDFORMAT).
#pragma once

#include <string>

// `format` "plain": the host path and one NUL byte, for shells that cannot
// run a POSIX script but can read up to a NUL (fish: `read -z`).  Anything
// else, unset included: the quoted POSIX `cd` script.
std::string PosixCdFileText(const std::string& hostPath, const char* format);
