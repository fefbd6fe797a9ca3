#include "scanner/rewrite.h"

// Not built yet.
bool BeginScanFileRewrite(ScanFileRewrite*) { return false; }
void WriteScanLine(ScanFileRewrite*, std::string_view) {}
bool CommitScanFileRewrite(ScanFileRewrite*) { return false; }
