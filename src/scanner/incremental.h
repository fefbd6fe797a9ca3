// Rescanning a drive by reading only the directories that changed since its
// last scan.
#pragma once

#include <string>
#include <string_view>

struct ScanFileRewrite;

// What the last scan of a drive did.
struct ScanFigures {
  long read = 0;    // directories whose listing was read (the root included)
  long reused = 0;  // directories whose recorded listing stood in
  bool whole = false;
  std::string why;  // why the drive was walked whole, when it was
  // The walk went in scan-file order, so the list needs no sort; the plain
  // walk's threads find directories in any order.
  bool inOrder = false;
  // The walk gave back the drive's lines of KS.DAT as they were, number for
  // number.
  bool sameLines = false;
};
const ScanFigures& LastScanFigures();

// Scans drive d into scanner.scanList, as ScanDirectory on its root would,
// reusing the recorded listing of every directory whose identity and times
// are what they were (each recorded subdirectory still gets its status
// call).  The drive's lines in the table are those of its last scan, as
// loaded from KS.DAT.  Walks whole when the record is missing or in doubt,
// or when KS95_RESCAN is "full".  The new record is prepared here and handed
// to `rewrite` by FinishDriveScan.
void ScanDriveReusing(int driveNumber);
// Entry `entry` (1..scanner.scanCount) of the last scan, after the sort:
// a walk through the record leaves most of them in the drive's table, not
// in the scan list.
std::string_view ScannedLine(int entry);
// The scanned drive's lines, after the sort, with the root line's `stamp`.
void WriteScannedLines(ScanFileRewrite* rewrite, std::string_view stamp);
// After the sort, with the drive's lines as they go to KS.DAT.
void FinishDriveScan(ScanFileRewrite* rewrite);
