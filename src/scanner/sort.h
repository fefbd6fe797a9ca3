// Tree order of paths, and the sort of a drive's scanned directories.
#pragma once

#include <string>
#include <string_view>

std::string TreeOrderKey(std::string_view path);
// <0, 0, >0 as TreeOrderKey(a) compares with TreeOrderKey(b); no key is
// built.  Names whose keys are equal (they differ only in the case of a to
// z) are ordered by their bytes, each with its subtree.
int CompareTreeOrder(std::string_view a, std::string_view b);
void SortScanList();
