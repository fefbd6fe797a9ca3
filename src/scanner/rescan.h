// Choosing drives to scan and rewriting the scan file, in both modes.
#pragma once

#include <string>

// Draws the tree screen again, after the layout has followed the window's
// size when `resized`.
using TreeRedraw = void (*)(bool resized);
void RescanDrives(TreeRedraw redraw);
// Scans the drives among `drives` (letters) that are present.
void ScanDrivesFromCommandLine(const std::string& drives);

// The "/S" and "/S+" options: `upperArgument` is the whole upper-cased
// argument, beginning with "/S".  Ends the process.
[[noreturn]] void RunScanOption(const std::string& upperArgument);
