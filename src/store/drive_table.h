// The in-memory form of the scan file: one DriveTree per drive letter, and
// the program-wide scalars the subsystems share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/ascii.h"

// Entries per drive, root included.  A variable only so that tests can reach
// the limit with small trees; ResetProgramState puts the default back.
constexpr int kDefaultMaxDirsPerDrive = 1000000;
extern int MaxDirsPerDrive;

#ifdef __SSE2__
// Bit i set where p[i] is a backslash, for the sixteen bytes at p.
inline unsigned BackslashBits(const char* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
}
#endif

// Where a path's last backslash is, or npos.  A name is mostly within the
// last sixteen bytes, found there with one compare; searching back a byte at
// a time was a fifth of a jump over a million lines.
inline size_t LastBackslash(std::string_view path) {
#ifdef __SSE2__
  size_t end = path.size();
  for (; end >= 16; end -= 16) {
    if (const unsigned m = BackslashBits(path.data() + end - 16))
      return end - 16 + static_cast<size_t>(31 - __builtin_clz(m));
  }
  return path.substr(0, end).rfind('\\');
#else
  return path.rfind('\\');
#endif
}

// The name shown for a path: the last component, or the whole path when it
// has three characters or fewer (a root, or an unscanned drive's "D:").
inline std::string_view NameOfPath(std::string_view path) {
  if (path.size() <= 3) return path;
  size_t slash = LastBackslash(path);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The paths of one drive in a single buffer: entry i (i >= 1) is the text
// between the ends of entries i-1 and i.  Entry 0 is the empty placeholder.
// A drive of a million paths is then a few allocations, not a million.
// Beside each path the first character of its name, upper-cased, lets a
// search pass over names that cannot match without touching their text;
// a list read only to be rescanned and written again goes without.
class PathList {
 public:
  PathList() : ends_{0}, initials_{0} {}
  PathList(PathList&&) noexcept = default;
  PathList& operator=(PathList&&) noexcept = default;
  PathList(const PathList& other)
      : ends_(other.ends_), initials_(other.initials_), withInitials_(other.withInitials_) {
    SetRoom(other.used_);
    if (other.used_ != 0) memcpy(text_.get(), other.text_.get(), other.used_);
    used_ = other.used_;
  }
  PathList& operator=(const PathList& other) {
    if (this != &other) *this = PathList(other);
    return *this;
  }
  size_t size() const { return ends_.size(); }  // entries + placeholder
  std::string_view operator[](size_t i) const {
    if (i == 0) return std::string_view();
    return std::string_view(text_.get() + ends_[i - 1], ends_[i] - ends_[i - 1]);
  }
  std::string_view back() const { return (*this)[size() - 1]; }
  // False, and nothing stored, when the drive's text would outgrow the
  // 32-bit offsets (4 GiB of paths: far beyond any real drive).
  bool Append(std::string_view path) {
    if (path.size() > UINT32_MAX - used_) return false;
    if (path.size() > room_ - used_) SetRoom(std::max(used_ + path.size(), 2 * room_));
    if (!path.empty()) memcpy(text_.get() + used_, path.data(), path.size());
    used_ += path.size();
    ends_.push_back(static_cast<uint32_t>(used_));
    if (withInitials_) initials_.push_back(InitialOf(path));
    return true;
  }
  // Upper-cased first character of each entry's name; [0] for the
  // placeholder.  Kept unless the last Reserve said otherwise.
  const char* Initials() const { return initials_.data(); }
  void Reserve(size_t entries, size_t bytes, bool withInitials = true) {
    withInitials_ = withInitials;
    ends_.reserve(entries + 1);
    if (withInitials) initials_.reserve(entries + 1);
    if (bytes > room_) SetRoom(bytes);
  }
  // Emptied, with room for a load of `entries` taking `bytes`.  The text's
  // room is kept when it fits (as on most reloads), so that its pages are
  // not made again; otherwise it is given back before the new room is
  // taken, so that a reload never holds the old and the new at once.
  void Renew(size_t entries, size_t bytes, bool withInitials) {
    if (room_ < bytes || room_ / 2 > bytes) {
      text_.reset();
      room_ = 0;
    }
    used_ = 0;
    std::vector<uint32_t>(1, 0).swap(ends_);
    std::vector<char>(1, '\0').swap(initials_);
    Reserve(entries, bytes, withInitials);
  }
  // A list of `entries` whose texts take `bytes` in all, to be filled in
  // parts on several threads at once: each part Puts its entries from the
  // place where the part before it ends.  The text is left unset until
  // then, so that each part's thread is the first to touch its pages.
  void SizeForParts(size_t entries, size_t bytes) {
    if (bytes > room_) SetRoom(bytes);
    used_ = bytes;
    ends_.resize(entries + 1);
    if (withInitials_) initials_.resize(entries + 1);
  }
  // Entry i (1 <= i < size()) of a list sized by SizeForParts, its text
  // from byte `at` on, where entry i - 1's ends.
  void Put(size_t i, size_t at, std::string_view path) {
    if (!path.empty()) memcpy(text_.get() + at, path.data(), path.size());
    ends_[i] = static_cast<uint32_t>(at + path.size());
    if (withInitials_) initials_[i] = InitialOf(path);
  }
  // Removes entry i (1 <= i < size()), the others keeping their order:
  // linear in what follows it, with no allocation.
  void Erase(size_t i) {
    const uint32_t begin = ends_[i - 1];
    const uint32_t length = ends_[i] - begin;
    memmove(text_.get() + begin, text_.get() + begin + length, used_ - begin - length);
    used_ -= length;
    ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(i));
    for (size_t k = i; k < ends_.size(); ++k) ends_[k] -= length;
    if (i < initials_.size()) initials_.erase(initials_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  // Keeps only the placeholder.
  void Clear() {
    used_ = 0;
    ends_.resize(1);
    initials_.resize(1);
  }
  // Gives the memory back, placeholder included.
  void Release() {
    text_.reset();
    room_ = used_ = 0;
    std::vector<uint32_t>().swap(ends_);
    std::vector<char>().swap(initials_);
  }

 private:
  static char InitialOf(std::string_view path) {
    std::string_view name = NameOfPath(path);
    return UpperAscii(name.empty() ? '\0' : name[0]);
  }
  // Room for `bytes` of text, what is held kept; left unset, not zeroed.
  void SetRoom(size_t bytes) {
    std::unique_ptr<char[]> text(new char[bytes == 0 ? 1 : bytes]);
    if (used_ != 0) memcpy(text.get(), text_.get(), used_);
    text_ = std::move(text);
    room_ = bytes;
  }
  std::unique_ptr<char[]> text_;
  size_t room_ = 0;
  size_t used_ = 0;
  std::vector<uint32_t> ends_;
  std::vector<char> initials_;
  bool withInitials_ = true;
};

// Deep enough for any path a file system allows; deeper lines of a
// hand-edited file count as this deep.
constexpr int kMaxDepth = UINT16_MAX;

// What drawing needs to build the tree prefix of any entry without holding
// one string per entry: the level flags of the prefix builder, saved every
// `interval` entries.  Mark c holds the flags seen by entry c * interval.
struct PrefixMarks {
  int interval = 0;
  size_t bytesPerMark = 0;  // one bit per level 0..deepest
  std::vector<uint8_t> bits;
  void Release() {
    std::vector<uint8_t>().swap(bits);
    interval = 0;
    bytesPerMark = 0;
  }
};

struct DriveTree {
  PathList paths;                // [0] placeholder, 1..entryCount
  std::vector<uint16_t> depths;  // backslashes in paths[i]
  PrefixMarks prefixes;          // see BuildTreePrefixes
  int entryCount = 0;
  int currentEntry = 1;
  int topEntry = 1;
  int rowsUsed = 0;
  bool scanned = false;
  std::string scanStamp;
  bool present = false;
  // Entries that can be read: the count, but never past the stored paths,
  // so that a drive whose bookkeeping is off cannot read out of range.
  int StoredCount() const {
    int stored = static_cast<int>(paths.size()) - 1;
    return entryCount < stored ? entryCount : stored;
  }
};

struct DriveTable {
  DriveTree drive[27];  // indexed by drive number 1..26; [0] unused
};

struct ProgramState {
  int ExitCode = 0;
  int currentDrive = 0;
  int anchorDrive = 0;
  std::string startupDirectory;
  std::string programDirectory;
  std::string scanFilePath;
  std::string scanFileVersion;  // of the file the trees were last loaded from
  int ScreenRows = 25;
  int ScreenColumns = 80;  // width the tree screen is laid out in
  int LastKey = 0;
  std::vector<std::string> args;  // arguments after the program name
  std::string searchText;         // speed search
  std::string statusNote;         // shown once on the status line instead of the path
  // The launcher is the `ks` shell function: hints name it and are quoted
  // for a POSIX shell.  Start-up sets it from the build (kPosixHost).
  bool posixLauncher = false;
};

struct ScannerState {
  std::vector<std::string> scanList;  // [0] placeholder, [1] root
  int scanCount = 0;
  bool scanCanceled = false;
  bool quietScan = false;
  uint16_t scanAttributes = 16;
  // A leading full stop makes a name hidden, so scanAttributes decides;
  // else such names are never scanned.  Start-up sets it from the build
  // (kDotNamesHidden).
  bool dotNamesHidden = false;
  std::string drivesToScan;
  int drivesScanned = 0;
};

extern DriveTable drives;
extern ProgramState prog;
extern ScannerState scanner;

inline DriveTree& Drive(int driveNumber) { return drives.drive[driveNumber]; }
inline char DriveLetter(int driveNumber) { return LetterOfDrive(driveNumber); }
// Drive number of a path's first character, or 0 when it is not A..Z.
inline int DriveNumberOf(std::string_view path) {
  return path.empty() ? 0 : DriveNumberOfLetter(path[0]);
}
// A drive within the table that has something to show.
inline bool HasEntries(int d) { return d >= 1 && d <= 26 && Drive(d).entryCount > 0; }

// Fresh program-wide state, as at start-up (also used by tests).
void ResetProgramState();

// The scan file, KS.DAT in `programDirectory`.
std::string ScanFilePathIn(const std::string& programDirectory);
// The scan file this run reads and rewrites: prog.scanFilePath once start-up
// has set it, else the one in prog.programDirectory.
std::string ScanFilePath();
