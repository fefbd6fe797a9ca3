// Choosing drives to scan and rewriting the scan file, in both modes.
#pragma once

#include <string>

// Draws the tree screen again, after the layout has followed the window's
// size when `resized`.
using TreeRedraw = void (*)(bool resized);
void RescanDrives(TreeRedraw redraw);
// Scans the drives among `drives` (letters) that are present.
// False when KS.DAT was left as it was: said, and an error for the caller.
bool ScanDrivesFromCommandLine(const std::string& drives);

// Rescans, without a word on the console, the drives among `drives` that
// are present and were scanned before, reusing what their records allow, and
// rewrites KS.DAT.  Waits at most `lockWaitMs` for another run's rewrite.
// Esc (scanner.scanCanceled) leaves KS.DAT as it was.  scanAttributes as
// set by the caller.
enum class QuietRescan { kDone, kBusy, kCanceled, kFailed };
QuietRescan RescanQuietly(const std::string& drives, int lockWaitMs);

// The "/S" and "/S+" options: `upperArgument` is the whole upper-cased
// argument, beginning with "/S".  Ends the process.
[[noreturn]] void RunScanOption(const std::string& upperArgument);
