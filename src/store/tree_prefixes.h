// The line-drawing prefixes that show a drive's tree, kept as sparse marks
// in the drive's record so that a load stays cheap for large drives.
#pragma once

#include <string>
#include <vector>

// Prepares a loaded drive for BuildPrefixRange and TreePrefix.
void BuildTreePrefixes(int driveNumber);
// Tree prefixes of entries first..last of a drive, into (*out)[0..]; the
// cost is the number of entries plus a few hundred.
void BuildPrefixRange(int driveNumber, int first, int last, std::vector<std::string>* out);
std::string TreePrefix(int driveNumber, int entry);
