#include "store/load.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "crt32/console.h"
#include "platform/process.h"
#include "crt32/screen_layout.h"
#include "store/drive_table.h"
#include "store/tree_prefixes.h"
#include "store/text_file.h"
#include "platform/system.h"

namespace {

// Drive of a scan-file line, or 0 for a line outside the format (empty, or
// not starting with A..Z); such lines are skipped so that nothing a
// hand-edited file holds can reach outside the table.
int LineDrive(std::string_view line) {
  return DriveNumberOf(line);
}

bool LooksLikeRootLine(std::string_view line) { return line.size() >= 4 && line[3] == '*'; }

// A drive has one root line, the first that looks like one: a later
// "D:\*x" is a directory whose name begins with "*" (older scans wrote
// such names), never a second root.
struct RootLines {
  bool seen[27] = {};
  bool Take(int d, std::string_view line) {
    if (seen[d] || !LooksLikeRootLine(line)) return false;
    seen[d] = true;
    return true;
  }
};

unsigned BitsSet16(unsigned m) {
  m = m - ((m >> 1) & 0x5555u);
  m = (m & 0x3333u) + ((m >> 2) & 0x3333u);
  m = (m + (m >> 4)) & 0x0F0Fu;
  return (m + (m >> 8)) & 0x1Fu;
}

// A line's backslashes, sixteen bytes at a time where the processor allows:
// counting them bytewise was a quarter of a tree load.
uint16_t Depth(std::string_view s) {
  const size_t n = s.size();
  size_t count = 0;
  size_t i = 0;
#ifdef __SSE2__
  if (n >= 16) {
    for (; i + 16 <= n; i += 16) count += BitsSet16(BackslashBits(s.data() + i));
    // The rest from the line's last sixteen bytes, those already counted
    // shifted out.
    if (i < n) count += BitsSet16(BackslashBits(s.data() + n - 16) >> (16 - (n - i)));
    i = n;
  }
#endif
  for (; i < n; ++i) count += s[i] == '\\';
  return static_cast<uint16_t>(std::min<size_t>(count, kMaxDepth));
}

// Opens the scan file for reading; nullptr when it cannot be opened.
std::unique_ptr<File> OpenScanFile() {
  Opened<File> opened = theSystem->OpenFile(ScanFilePath(), OpenMode::kRead);
  if (opened.error != 0) opened.handle.reset();
  return std::move(opened.handle);
}

// The second opening happens after the first succeeded: it is strict.
std::unique_ptr<File> ReopenScanFile() {
  Opened<File> opened = theSystem->OpenFile(ScanFilePath(), OpenMode::kRead);
  if (!opened.handle && opened.error == 0) opened.error = kIoFileNotFound;
  Strict(opened.error);
  return std::move(opened.handle);
}

struct Share {
  int lines = 0;
  size_t bytes = 0;
};

// Counting pass: each drive's lines, capped at the limit, and the bytes they
// take in memory, so that every drive's buffers are allocated once and
// exactly: growing them line by line would need twice the memory at times.
bool CountLines(Share shares[27]) {
  std::unique_ptr<File> f = OpenScanFile();
  if (!f) return false;
  LineReader reader(std::move(f));
  RootLines roots;
  std::string_view line;
  while (reader.Next(&line)) {
    int d = LineDrive(line);
    if (d == 0 || shares[d].lines >= MaxDirsPerDrive) continue;
    ++shares[d].lines;
    shares[d].bytes += roots.Take(d, line) ? 3 : line.size();
  }
  reader.Close();
  return true;
}

int ListRows() { return std::max(1, prog.ScreenRows - 2); }

// Where a load leaves drive d's cursor: on the first entry, or on the
// start directory on the anchor drive.
void PlaceCursor(int d) {
  const int rows = prog.ScreenRows;
  DriveTree& t = Drive(d);
  t.currentEntry = 1;
  t.topEntry = 1;
  if (d == prog.anchorDrive) {
    const std::string_view start = prog.startupDirectory;
    for (int e = 1; e <= t.entryCount; ++e) {
      if (t.paths[static_cast<size_t>(e)] != start) continue;
      t.currentEntry = e;
      int top = e - (rows - 2) / 2;
      top = std::min(top, t.entryCount - (rows - 3));
      t.topEntry = std::max(top, 1);
      break;
    }
  }
  t.rowsUsed = t.entryCount < rows - 1 ? t.entryCount : ListRows();
}

// Each drive's buffers emptied and sized for its share of the file.  The
// tree's levels and name initials are for tree mode only.
void PrepareDrives(const Share shares[27], bool treeMode) {
  for (int d = 1; d <= 26; ++d) {
    DriveTree& t = Drive(d);
    t.scanned = shares[d].lines > 0;
    // Released first, so that a reload never holds the old and the new
    // buffers of a big drive at once.
    t.paths = PathList();
    t.paths.Reserve(static_cast<size_t>(shares[d].lines), shares[d].bytes, treeMode);
    std::vector<uint16_t>().swap(t.depths);
    if (treeMode) t.depths.reserve(static_cast<size_t>(shares[d].lines) + 1);
    t.depths.push_back(0);
    t.prefixes.Release();
  }
}

void ReadDriveLines(const Share shares[27], bool treeMode) {
  LineReader reader(ReopenScanFile());
  RootLines roots;
  std::string_view line;
  while (reader.Next(&line)) {
    int d = LineDrive(line);
    if (d == 0) continue;
    DriveTree& t = Drive(d);
    // The counting pass fixed each drive's share: a file that grew
    // between the passes cannot push a drive past it.
    if (t.entryCount >= shares[d].lines) continue;
    if (roots.Take(d, line)) {
      t.scanStamp.assign(line.substr(4, 99));
      line = line.substr(0, 3);
    }
    if (!t.paths.Append(line)) continue;
    ++t.entryCount;
    if (treeMode) t.depths.push_back(Depth(line));
  }
  reader.Close();
}

// Both modes read the file the same way; tree mode adds the synthesised
// roots, the prefixes and the cursors.
void LoadDrives(bool treeMode) {
  // Taken before reading: a file replaced meanwhile then counts as changed.
  prog.scanFileVersion = theSystem->FileVersion(ScanFilePath());
  Share shares[27];
  for (int d = 1; d <= 26; ++d) {
    Drive(d).entryCount = 0;
    Drive(d).scanned = false;
  }

  const bool haveFile = CountLines(shares);
  if (haveFile || treeMode) PrepareDrives(shares, treeMode);
  if (haveFile) ReadDriveLines(shares, treeMode);
  if (!treeMode) return;

  for (int d = 1; d <= 26; ++d) {
    DriveTree& t = Drive(d);
    if (!t.present || t.entryCount != 0) continue;
    t.entryCount = 1;
    t.paths.Append(std::string{DriveLetter(d), ':'});
    t.depths.assign(2, 0);
  }

  for (int d = 1; d <= 26; ++d) {
    if (Drive(d).entryCount <= 0) continue;
    BuildTreePrefixes(d);
    PlaceCursor(d);
  }
}

}  // namespace

void MarkPresentDrives() {
  for (int d = 1; d <= 26; ++d) {
    int type = theSystem->DriveType(d);
    Drive(d).present = type >= kDriveRemovable && type <= kDriveRamdisk;
  }
}

void LoadDriveTrees() {
  SetColourSlot(slot::kPrompt);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Loading KS.DAT ...");
  ClearToLineEnd();
  LoadDrives(true);
}

void LoadScanLines() { LoadDrives(false); }

void DropLoadedEntry(int d, int e) {
  DriveTree& t = Drive(d);
  t.paths.Erase(static_cast<size_t>(e));
  t.depths.erase(t.depths.begin() + e);
  --t.entryCount;
  BuildTreePrefixes(d);
  for (int n = 1; n <= 26; ++n)
    if (Drive(n).entryCount > 0) PlaceCursor(n);
}
