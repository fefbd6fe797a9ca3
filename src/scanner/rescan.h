// Choosing drives to scan and rewriting the scan file, in both modes.
#pragma once

#include <string>

void RescanDrives();
// Scans the drives among `drives` (letters) that are present.
void ScanDrivesFromCommandLine(const std::string& drives);

// The "/S" and "/S+" options: `upperArgument` is the whole upper-cased
// argument, beginning with "/S".  Ends the process.
[[noreturn]] void RunScanOption(const std::string& upperArgument);
