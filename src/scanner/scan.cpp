#include "scanner/scan.h"

// Not built yet.
void ScanDirectory(const std::string&) {}
