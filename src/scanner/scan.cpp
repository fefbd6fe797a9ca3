#include "scanner/scan.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "store/drive_table.h"
#include "system/system.h"

namespace {

using Clock = std::chrono::steady_clock;

// The keyboard is asked at the first step and then at most this often, and
// the count redrawn likewise: on a console each question or redraw is a
// system call or three, costing far more than a directory entry.
constexpr std::chrono::milliseconds kPollInterval(50);
constexpr std::chrono::milliseconds kCountInterval(50);
Clock::time_point polledAt;
bool polled = false;
Clock::time_point countShownAt;
int countShown = 0;

// A name that would break the scan file's line structure or its path syntax
// cannot be stored, and neither can anything below it.
bool StorableName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (c == '\r' || c == '\n' || c == 26 || c == '\\') return false;
  return true;
}

bool PassesFilter(uint32_t attributes) {
  uint32_t excluded =
      (kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory) &
      ~static_cast<uint32_t>(scanner.scanAttributes);
  return (attributes & excluded) == 0;
}

bool NextEntry(DirReader* reader, DirEntry* entry) {
  while (reader->Next(entry)) {
    if (PassesFilter(entry->attributes)) return true;
  }
  return false;
}

void ShowCount() {
  countShown = scanner.scanCount;
  countShownAt = Clock::now();
  char digits[16];
  snprintf(digits, sizeof digits, "%3d", scanner.scanCount);
  MoveCursor(55, prog.ScreenRows - 1);
  WriteText(digits);
}

void PollForEsc() {
  Clock::time_point now = Clock::now();
  if (polled && now - polledAt < kPollInterval) return;
  polled = true;
  polledAt = now;
  // Polls are far apart, so every key typed since the last one is taken.
  for (int keys = 0; keys < 16 && KeyWaiting(); ++keys) {
    uint8_t ch = ReadKeyChar();
    if (ch == 0) {
      // An extended key: its scan code is dropped at once so that it can
      // never be taken for Esc.
      ReadKeyChar();
    } else if (ch == 27) {
      scanner.scanCanceled = true;
      return;
    }
  }
}

void ScanLevel(const std::string& path) {
  std::unique_ptr<DirReader> reader = theSystem->OpenDirectory(path);
  if (!reader) return;
  DirEntry entry;
  bool have = NextEntry(reader.get(), &entry);
  while (have && scanner.scanCount < MaxDirsPerDrive && !scanner.scanCanceled) {
    // Links and junctions are neither listed nor entered: they can lead back
    // up the tree and make the scan endless.
    if ((entry.attributes & kAttrDirectory) != 0 &&
        (entry.attributes & kAttrReparsePoint) == 0 &&
        StorableName(entry.name)) {
      ++scanner.scanCount;
      if (!scanner.quietScan &&
          (countShown == 0 ||
           Clock::now() - countShownAt >= kCountInterval))
        ShowCount();
      std::string child;
      child.reserve(path.size() + 1 + entry.name.size());
      child.append(path).append(1, '\\').append(entry.name);
      scanner.scanList.push_back(child);
      ScanLevel(child);
    }
    have = NextEntry(reader.get(), &entry);
    PollForEsc();
  }
}

}  // namespace

void ScanDirectory(const std::string& path) {
  polled = false;
  countShown = 0;
  ScanLevel(path);
  // The last count found always shows.
  if (!scanner.quietScan && countShown != 0 && countShown != scanner.scanCount)
    ShowCount();
}
