#include "store/load.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>

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
// counting them bytewise was a quarter of a tree load.  Inlined in both
// loads: as a call once a line, it was a tenth of one.
[[gnu::always_inline]] inline uint16_t Depth(std::string_view s) {
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
    t.paths.Renew(static_cast<size_t>(shares[d].lines), shares[d].bytes, treeMode);
    std::vector<uint16_t>().swap(t.depths);
    if (treeMode) t.depths.reserve(static_cast<size_t>(shares[d].lines) + 1);
    t.depths.push_back(0);
    t.prefixes.Release();
  }
}

// Two parts of the file read at once halve a load: a big drive's lines
// are most of a rescan's wait before its walk, and of the tree's first
// screen.  The second part begins after the first line end past the
// middle; each part is read as if it were the whole file, and what the
// first part's lines decide for the second (which line is a drive's root,
// a Ctrl-Z that ends the file) is settled between the counting and the
// filling.  Anything the parts cannot settle alike (a drive past the
// limit, a file changed between the passes) is left to the load of the
// whole file, which then starts over.

// [start, start + length) of a file, read as a whole file.  A read error
// ends the part and is kept, so that a part read on a second thread leaves
// the error to the main one.
class FilePart : public File {
 public:
  FilePart(File* file, int64_t length) : file_(file), left_(length) {}
  int Read(char* buffer, int bytes) override {
    if (left_ <= 0 || error_ != 0) return 0;
    const int n = file_->Read(buffer, static_cast<int>(std::min<int64_t>(bytes, left_)));
    if (n < 0) {
      error_ = -n;
      return 0;
    }
    if (memchr(buffer, 26, static_cast<size_t>(n))) endMark_ = true;
    left_ -= n;
    return n;
  }
  int Write(const char*, int) override { return kIoAccessDenied; }
  int Sync() override { return kIoAccessDenied; }
  int Close() override { return kIoOk; }
  int error() const { return error_; }
  bool endMark() const { return endMark_; }  // a Ctrl-Z ended the file here

 private:
  File* file_;
  int64_t left_;
  int error_ = 0;
  bool endMark_ = false;
};

constexpr size_t kNoRoot = SIZE_MAX;

struct PartCount {
  Share shares[27];  // every line at its length: none taken as a root yet
  size_t rootLength[27];  // of the first line that looks like a root
  int error = 0;
  bool endMark = false;
};

void CountPart(File* file, int64_t length, PartCount* out) {
  std::fill(out->rootLength, out->rootLength + 27, kNoRoot);
  auto part = std::make_unique<FilePart>(file, length);
  FilePart* p = part.get();
  LineReader reader(std::move(part));
  std::string_view line;
  while (reader.Next(&line)) {
    const int d = LineDrive(line);
    if (d == 0) continue;
    ++out->shares[d].lines;
    out->shares[d].bytes += line.size();
    if (out->rootLength[d] == kNoRoot && LooksLikeRootLine(line)) out->rootLength[d] = line.size();
  }
  out->error = p->error();
  out->endMark = p->endMark();
}

// Where a part's lines go: for each drive, its first entry and byte, and
// where they must end.
struct PartPlace {
  size_t entry[27];
  size_t byte[27];
  size_t endEntry[27];
  size_t endByte[27];
  bool mayTakeRoot[27];
};

// Puts the part's lines in place; false, with what it did left to be
// redone, when they were not the lines counted.
bool FillPart(File* file, int64_t length, PartPlace at, bool treeMode, int* error) {
  auto part = std::make_unique<FilePart>(file, length);
  FilePart* p = part.get();
  LineReader reader(std::move(part));
  std::string_view line;
  bool same = true;
  while (reader.Next(&line)) {
    const int d = LineDrive(line);
    if (d == 0) continue;
    DriveTree& t = Drive(d);
    if (at.mayTakeRoot[d] && LooksLikeRootLine(line)) {
      at.mayTakeRoot[d] = false;
      t.scanStamp.assign(line.substr(4, 99));
      line = line.substr(0, 3);
    }
    if (at.entry[d] == at.endEntry[d] || line.size() > at.endByte[d] - at.byte[d]) {
      same = false;
      continue;
    }
    t.paths.Put(at.entry[d], at.byte[d], line);
    if (treeMode) t.depths[at.entry[d]] = Depth(line);
    ++at.entry[d];
    at.byte[d] += line.size();
  }
  *error = p->error();
  for (int d = 1; d <= 26; ++d)
    if (at.entry[d] != at.endEntry[d] || at.byte[d] != at.endByte[d]) same = false;
  return same;
}

// Where the second part begins: just past the first LF after the middle;
// 0 when there is none near it.
int64_t SecondPartStart(File* file, int64_t size) {
  const int64_t middle = size / 2;
  if (!file->Seek(middle)) return 0;
  char window[4096];
  const int n = file->Read(window, static_cast<int>(std::min<int64_t>(sizeof window, size - middle)));
  const void* lf = n > 0 ? memchr(window, '\n', static_cast<size_t>(n)) : nullptr;
  if (!lf) return 0;
  return middle + (static_cast<const char*>(lf) - window) + 1;
}

// Starts `work` on a thread of its own, placed apart from this one; false
// when there is none to spare.
template <typename Work>
bool StartPart(std::thread* thread, Work work) {
  try {
    *thread = std::thread(work);
  } catch (const std::system_error&) {
    return false;
  }
  theSystem->PlaceThread(*thread, 0);
  return true;
}


// The file loaded in two parts; false when it is to be loaded whole
// (too small, one processor, no second thread, or the parts disagreed).
bool LoadInTwoParts(bool treeMode) {
  if (std::thread::hardware_concurrency() == 1) return false;
  std::unique_ptr<File> first = OpenScanFile();
  if (!first) return false;
  const int64_t size = first->Size();
  if (size < TwoPartLoadBytes || size < 2) return false;
  std::unique_ptr<File> second = OpenScanFile();
  if (!second || second->Size() != size) return false;
  const int64_t split = SecondPartStart(second.get(), size);
  if (split <= 0 || split >= size || !second->Seek(split)) return false;

  PartCount counts[2];
  std::thread helper;
  if (!StartPart(&helper, [&] { CountPart(second.get(), size - split, &counts[1]); }))
    return false;
  CountPart(first.get(), split, &counts[0]);
  helper.join();
  Strict(counts[0].error);
  // A Ctrl-Z in the first part ends the file before the second.
  if (counts[0].endMark) return false;
  Strict(counts[1].error);

  Share shares[27];
  PartPlace places[2] = {};
  for (int d = 1; d <= 26; ++d) {
    const PartCount& a = counts[0];
    const PartCount& b = counts[1];
    const bool secondTakesRoot = a.rootLength[d] == kNoRoot && b.rootLength[d] != kNoRoot;
    const size_t aBytes = a.shares[d].bytes - (a.rootLength[d] == kNoRoot ? 0 : a.rootLength[d] - 3);
    const size_t bBytes = b.shares[d].bytes - (secondTakesRoot ? b.rootLength[d] - 3 : 0);
    const int lines = a.shares[d].lines + b.shares[d].lines;
    if (lines > MaxDirsPerDrive || aBytes + bBytes > UINT32_MAX) return false;
    shares[d] = Share{lines, aBytes + bBytes};
    const size_t aEnd = static_cast<size_t>(a.shares[d].lines) + 1;
    places[0].entry[d] = 1;
    places[0].byte[d] = 0;
    places[0].endEntry[d] = aEnd;
    places[0].endByte[d] = aBytes;
    places[0].mayTakeRoot[d] = true;
    places[1].entry[d] = aEnd;
    places[1].byte[d] = aBytes;
    places[1].endEntry[d] = static_cast<size_t>(lines) + 1;
    places[1].endByte[d] = aBytes + bBytes;
    places[1].mayTakeRoot[d] = a.rootLength[d] == kNoRoot;
  }
  if (!first->Seek(0) || !second->Seek(split)) return false;

  PrepareDrives(shares, treeMode);
  std::string stamps[27];
  for (int d = 1; d <= 26; ++d) {
    DriveTree& t = Drive(d);
    stamps[d] = t.scanStamp;
    if (shares[d].lines == 0) continue;
    t.paths.SizeForParts(static_cast<size_t>(shares[d].lines), shares[d].bytes);
    if (treeMode) t.depths.resize(static_cast<size_t>(shares[d].lines) + 1);
  }
  bool same[2];
  int errors[2] = {0, 0};
  if (!StartPart(&helper, [&] {
        same[1] = FillPart(second.get(), size - split, places[1], treeMode, &errors[1]);
      }))
    return false;
  same[0] = FillPart(first.get(), split, places[0], treeMode, &errors[0]);
  helper.join();
  Strict(errors[0]);
  Strict(errors[1]);
  if (!same[0] || !same[1]) {
    // Changed between the passes: the whole load starts over.
    for (int d = 1; d <= 26; ++d) Drive(d).scanStamp = stamps[d];
    return false;
  }
  for (int d = 1; d <= 26; ++d) Drive(d).entryCount = shares[d].lines;
  Strict(first->Close());
  Strict(second->Close());
  return true;
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
  if (!LoadInTwoParts(treeMode)) {
    // Also what a two-part load that gave up may have set.
    for (int d = 1; d <= 26; ++d) {
      Drive(d).entryCount = 0;
      Drive(d).scanned = false;
    }
    const bool haveFile = CountLines(shares);
    if (haveFile || treeMode) PrepareDrives(shares, treeMode);
    if (haveFile) ReadDriveLines(shares, treeMode);
  }
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

int64_t TwoPartLoadBytes = kDefaultTwoPartLoadBytes;

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
