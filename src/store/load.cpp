#include "store/load.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "browser/render.h"
#include "crt32/console.h"
#include "shell/process.h"
#include "store/drive_table.h"
#include "store/text_file.h"
#include "system/system.h"

namespace {

// Drive of a scan-file line, or 0 for a line outside the format (empty, or
// not starting with A..Z); such lines are skipped so that nothing a
// hand-edited file holds can reach outside the table.
int LineDrive(std::string_view line) {
  if (line.empty() || line[0] < 'A' || line[0] > 'Z') return 0;
  return line[0] - 64;
}

int CountBackslashes(std::string_view s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\\'));
}

// Opens the scan file for reading; nullptr when it cannot be opened.
std::unique_ptr<File> OpenScanFile() {
  int error = 0;
  std::unique_ptr<File> f =
      theSystem->OpenFile(prog.scanFilePath, OpenMode::kRead, &error);
  if (error != 0) f.reset();
  return f;
}

// The second opening happens after the first succeeded: it is strict.
std::unique_ptr<File> ReopenScanFile() {
  int error = 0;
  std::unique_ptr<File> f =
      theSystem->OpenFile(prog.scanFilePath, OpenMode::kRead, &error);
  if (!f && error == 0) error = kIoFileNotFound;
  Strict(error);
  return f;
}

// Counting pass: lines per drive, capped at the table's limit.  Leaves every
// drive's `scanned` flag and an empty path list sized for its lines.
bool CountLines(int counts[27]) {
  std::unique_ptr<File> f = OpenScanFile();
  if (!f) return false;
  LineReader reader(std::move(f));
  std::string_view line;
  while (reader.Next(&line)) {
    int d = LineDrive(line);
    if (d != 0 && counts[d] < MaxDirsPerDrive) ++counts[d];
  }
  reader.Close();
  return true;
}

void ClearPaths(DriveTree& t, int expected) {
  t.paths.clear();
  t.paths.reserve(static_cast<size_t>(expected) + 1);
  t.paths.emplace_back();
}

// Entry `n` (the next one) of a path list being refilled.  A reload keeps the
// strings of the previous load and writes over them, so that reloading after
// a rescan does not allocate a string per line again.
void PutPath(std::vector<std::string>& paths, int n, std::string_view line) {
  if (static_cast<size_t>(n) < paths.size())
    paths[static_cast<size_t>(n)].assign(line.data(), line.size());
  else
    paths.emplace_back(line);
}

// Empties a list for refilling through PutPath, keeping its strings.
void StartRefill(DriveTree& t, int expected) {
  if (t.paths.empty()) t.paths.emplace_back();
  t.paths[0].clear();
  t.paths.reserve(static_cast<size_t>(expected) + 1);
}

int ListRows() { return std::max(1, prog.ScreenRows - 2); }

}  // namespace

void MarkPresentDrives() {
  for (int d = 1; d <= 26; ++d) {
    int type = theSystem->DriveType(d);
    Drive(d).present = type >= kDriveRemovable && type <= kDriveRamdisk;
  }
}

void LoadDriveTrees() {
  SetColourSlot(22);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Loading KS.DAT ...");
  ClearToLineEnd();
  // Taken before reading: a file replaced meanwhile then counts as changed.
  prog.scanFileVersion = theSystem->FileVersion(prog.scanFilePath);

  int counts[27] = {};
  for (int d = 1; d <= 26; ++d) {
    Drive(d).entryCount = 0;
    Drive(d).scanned = false;
  }

  if (CountLines(counts)) {
    for (int d = 1; d <= 26; ++d) {
      DriveTree& t = Drive(d);
      t.scanned = counts[d] > 0;
      StartRefill(t, counts[d]);
      t.depths.assign(static_cast<size_t>(counts[d]) + 1, 0);
    }
    LineReader reader(ReopenScanFile());
    std::string_view line;
    while (reader.Next(&line)) {
      int d = LineDrive(line);
      if (d == 0) continue;
      DriveTree& t = Drive(d);
      // The counting pass fixed each drive's share: a file that grew
      // between the passes cannot push a drive past its slots.
      if (t.entryCount >= counts[d]) continue;
      int n = ++t.entryCount;
      if (line.size() >= 4 && line[3] == '*') {
        t.scanStamp.assign(line.substr(4, 99));
        line = line.substr(0, 3);
      }
      PutPath(t.paths, n, line);
      t.depths[static_cast<size_t>(n)] = CountBackslashes(line);
    }
    reader.Close();
    for (int d = 1; d <= 26; ++d)
      Drive(d).paths.resize(static_cast<size_t>(Drive(d).entryCount) + 1);
  } else {
    for (int d = 1; d <= 26; ++d) ClearPaths(Drive(d), 0);
  }

  for (int d = 1; d <= 26; ++d) {
    DriveTree& t = Drive(d);
    if (!t.present || t.entryCount != 0) continue;
    t.entryCount = 1;
    t.paths.resize(1);
    t.paths.push_back(std::string{DriveLetter(d), ':'});
    t.depths.assign(2, 0);
  }

  const int rows = prog.ScreenRows;
  for (int d = 1; d <= 26; ++d) {
    DriveTree& t = Drive(d);
    if (t.entryCount <= 0) continue;
    BuildTreePrefixes(d);
    t.currentEntry = 1;
    t.topEntry = 1;
    if (d == prog.anchorDrive) {
      for (int e = 1; e <= t.entryCount; ++e) {
        if (t.paths[static_cast<size_t>(e)] != prog.startupDirectory) continue;
        t.currentEntry = e;
        int top = e - (rows - 2) / 2;
        top = std::min(top, t.entryCount - (rows - 3));
        t.topEntry = std::max(top, 1);
        break;
      }
    }
    t.rowsUsed = t.entryCount < rows - 1 ? t.entryCount : ListRows();
  }
}

void LoadScanLines() {
  int counts[27] = {};
  for (int d = 1; d <= 26; ++d) {
    Drive(d).entryCount = 0;
    Drive(d).scanned = false;
  }
  if (!CountLines(counts)) return;
  for (int d = 1; d <= 26; ++d) {
    Drive(d).scanned = counts[d] > 0;
    StartRefill(Drive(d), counts[d]);
  }
  LineReader reader(ReopenScanFile());
  std::string_view line;
  while (reader.Next(&line)) {
    int d = LineDrive(line);
    if (d == 0) continue;
    DriveTree& t = Drive(d);
    if (t.entryCount >= counts[d]) continue;
    PutPath(t.paths, ++t.entryCount, line);
  }
  reader.Close();
  for (int d = 1; d <= 26; ++d)
    Drive(d).paths.resize(static_cast<size_t>(Drive(d).entryCount) + 1);
}
