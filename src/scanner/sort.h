// Tree order of paths, and the sort of a drive's scanned directories.
#pragma once

#include <string>
#include <string_view>

std::string TreeOrderKey(std::string_view path);
// <0, 0, >0 as TreeOrderKey(a) compares with TreeOrderKey(b); no key is
// built.
int CompareTreeOrder(std::string_view a, std::string_view b);
// Sorts scanList entries 2..scanCount into tree order; names whose keys are
// equal are ordered by their bytes, each with its subtree.
void SortScanList();
