#include "scanner/sort.h"

// Not built yet.
std::string TreeOrderKey(std::string_view path) { return std::string(path); }
int CompareTreeOrder(std::string_view, std::string_view) { return 0; }
void SortScanList() {}
