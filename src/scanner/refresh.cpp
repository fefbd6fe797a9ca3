#include "scanner/refresh.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "crt32/console.h"
#include "scanner/drive_lines.h"
#include "scanner/incremental.h"
#include "scanner/rewrite.h"
#include "scanner/scan.h"
#include "scanner/sort.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "platform/console_device.h"
#include "platform/system.h"

namespace {

constexpr uint16_t kPlainFilter = 16;
constexpr uint16_t kHiddenFilter = 63;

// Reads only what changed since the drive's last scan, through its record.
void ScanInto(int d, uint16_t attributes) {
  scanner.scanAttributes = attributes;
  scanner.scanCount = 1;
  scanner.scanList.clear();
  scanner.scanList.emplace_back();
  scanner.scanList.push_back(std::string(1, DriveLetter(d)) + ":\\");
  scanner.scanCanceled = false;
  ScanDriveReusing(d);
  if (ScanFailure().empty() && !scanner.scanCanceled && !LastScanFigures().inOrder)
    SortScanList();
}

// The order of a sorted drive: tree order, equal keys by their bytes.
int CompareSorted(std::string_view a, std::string_view b) {
  int c = CompareTreeOrder(a, b);
  return c != 0 ? c : a.compare(b);
}

bool InFreshList(std::string_view path) {
  int first = 2, count = scanner.scanCount - 1;
  while (count > 0) {
    const int half = count / 2;
    if (CompareSorted(ScannedLine(first + half), path) < 0) {
      first += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return first <= scanner.scanCount && ScannedLine(first) == path;
}

// The scan file does not say whether a drive was scanned with its hidden
// and system directories.  A stored directory that the plain scan left out
// but that is still there says it was (or that it came in by "/a" from
// below a link, where the wider scan does no harm): dropping such
// directories would lose what the user asked to keep.  Both lists are
// sorted, so one merge finds the stored ones the scan lacks; a file out of
// order only costs a lookup more.
bool KeptDirectoriesThePlainScanMissed(const DriveTree& old) {
  int fresh = 2;
  for (int i = 2; i <= old.StoredCount(); ++i) {
    std::string_view path = old.paths[static_cast<size_t>(i)];
    // Mostly the lists agree line by line: equal bytes need no tree order.
    if (fresh <= scanner.scanCount && ScannedLine(fresh) == path) {
      ++fresh;
      continue;
    }
    int c = 1;
    while (fresh <= scanner.scanCount &&
           (c = CompareSorted(ScannedLine(fresh), path)) < 0)
      ++fresh;
    if (fresh <= scanner.scanCount && c == 0) continue;
    if (!InFreshList(path) && theSystem->OpenDirectory(std::string(path))) return true;
  }
  return false;
}

bool Wanted(int d, int onlyDrive) {
  const DriveTree& drive = Drive(d);
  return drive.scanned && drive.present && (onlyDrive <= 0 || d == onlyDrive);
}

RefreshResult RefreshUnderLock(int onlyDrive, bool showProgress) {
  ScanFileRewrite rewrite;
  // A jump is asked for an answer now: another run's rewrite is not waited
  // for, and the jump answers from the file as it was.
  RewriteStart start = BeginScanFileRewrite(&rewrite, 0);
  if (start == RewriteStart::kBusy) return RefreshResult::kBusy;
  if (start != RewriteStart::kReady) return RefreshResult::kFailed;
  LoadScanLines();
  bool any = false;
  for (int d = 1; d <= 26; ++d) any = any || Wanted(d, onlyDrive);
  if (!any) return RefreshResult::kNothing;

  bool changed = false;
  for (int d = 1; d <= 26; ++d) {
    DriveTree& drive = Drive(d);
    if (!Wanted(d, onlyDrive)) {
      if (drive.scanned) WriteDriveLines(&rewrite, drive);
      continue;
    }
    const std::string name = std::string(1, DriveLetter(d)) + ":";
    if (showProgress) WriteText("Scanning drive " + name);
    ScanInto(d, kPlainFilter);
    // Lines given back as they were hold nothing the plain scan missed.
    if (ScanFailure().empty() && !scanner.scanCanceled && !LastScanFigures().sameLines &&
        KeptDirectoriesThePlainScanMissed(drive))
      ScanInto(d, kHiddenFilter);
    changed = changed || !LastScanFigures().sameLines;
    if (showProgress) WriteLine(scanner.scanCanceled ? " canceled" : "");
    // A partial tree would drop directories the file holds: the file is
    // kept as it was.
    if (!ScanFailure().empty() || scanner.scanCanceled) {
      FinishDriveScan(&rewrite);  // no record pending once the rewrite is dropped
      AbandonScanFileRewrite(&rewrite);
      return ScanFailure().empty() ? RefreshResult::kCanceled : RefreshResult::kFailed;
    }
    WriteScannedLines(&rewrite, theSystem->ScanStampNow());
    FinishDriveScan(&rewrite);
  }
  if (!CommitScanFileRewrite(&rewrite)) return RefreshResult::kFailed;
  return changed ? RefreshResult::kRefreshed : RefreshResult::kUnchanged;
}

}  // namespace

RefreshResult RefreshScannedDrives(int onlyDrive) {
  if (onlyDrive > 26) return RefreshResult::kNothing;
  const bool quiet = scanner.quietScan;
  const uint16_t attributes = scanner.scanAttributes;
  scanner.quietScan = true;
  RefreshResult result = RefreshUnderLock(onlyDrive, theConsole->OutputIsTerminal());
  scanner.quietScan = quiet;
  scanner.scanAttributes = attributes;
  return result;
}
