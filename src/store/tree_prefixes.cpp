#include "store/tree_prefixes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "store/drive_table.h"

namespace {

const char kContinuing[] = "\xB3 ";
const char kEmpty[] = "  ";
const char kBranch[] = "\xC3\xC4";
const char kLastBranch[] = "\xC0\xC4";

// The level flags after entry i (going up the tree): a line continues at
// its level above it unless it is the first child of the entry before it.
void PassEntry(const DriveTree& t, int i, std::vector<uint8_t>* flags) {
  const int level = t.depths[static_cast<size_t>(i)];
  const uint8_t bit = static_cast<uint8_t>(1u << (level % 8));
  uint8_t& byte = (*flags)[static_cast<size_t>(level / 8)];
  if (level <= t.depths[static_cast<size_t>(i) - 1])
    byte |= bit;
  else
    byte &= static_cast<uint8_t>(~bit);
}

}  // namespace

void BuildTreePrefixes(int driveNumber) {
  DriveTree& t = Drive(driveNumber);
  PrefixMarks& marks = t.prefixes;
  marks.Release();
  const int n = t.entryCount;
  if (n < 2) return;
  // The prefix of an entry depends on everything below it, so prefixes are
  // built from the bottom up.  Only the flags at every interval-th entry are
  // kept; drawing starts at the mark below the rows it needs.  The interval
  // grows with the depth so that the marks stay a fraction of a byte per
  // entry.
  int deepest = 0;
  for (int i = 1; i <= n; ++i) deepest = std::max<int>(deepest, t.depths[static_cast<size_t>(i)]);
  marks.bytesPerMark = static_cast<size_t>(deepest) / 8 + 1;
  marks.interval = std::max(256, static_cast<int>(marks.bytesPerMark) * 4);
  marks.bits.assign(static_cast<size_t>(n / marks.interval) * marks.bytesPerMark, 0);
  std::vector<uint8_t> flags(marks.bytesPerMark, 0);
  for (int i = n; i >= 2; --i) {
    if (i % marks.interval == 0)
      std::copy(flags.begin(), flags.end(),
                marks.bits.begin() + static_cast<ptrdiff_t>((i / marks.interval - 1) * marks.bytesPerMark));
    PassEntry(t, i, &flags);
  }
}

void BuildPrefixRange(int driveNumber, int first, int last, std::vector<std::string>* out) {
  const DriveTree& t = Drive(driveNumber);
  const PrefixMarks& marks = t.prefixes;
  first = std::max(first, 1);
  last = std::min(last, t.entryCount);
  out->resize(static_cast<size_t>(std::max(0, last - first + 1)));
  for (std::string& p : *out) p.clear();
  // Entries without a depth (a table not filled by a load) get no prefix.
  last = std::min(last, static_cast<int>(t.depths.size()) - 1);
  if (last < 2 || marks.interval <= 0) return;
  // Start from the first mark at or below the last row, or from the bottom
  // of the drive, where every flag is clear.
  static std::vector<uint8_t> flags;
  flags.assign(marks.bytesPerMark, 0);
  int i = t.entryCount;
  const int mark = (last + marks.interval - 1) / marks.interval;
  if (static_cast<size_t>(mark) * marks.bytesPerMark <= marks.bits.size()) {
    i = mark * marks.interval;
    auto from = marks.bits.begin() + static_cast<ptrdiff_t>((mark - 1) * marks.bytesPerMark);
    std::copy(from, from + static_cast<ptrdiff_t>(marks.bytesPerMark), flags.begin());
  }
  auto flag = [&](int level) { return (flags[static_cast<size_t>(level / 8)] >> (level % 8)) & 1; };
  for (; i >= 2 && i >= first; --i) {
    const int level = t.depths[static_cast<size_t>(i)];
    if (i <= last) {
      std::string& prefix = (*out)[static_cast<size_t>(i - first)];
      prefix.reserve(2 * static_cast<size_t>(level));
      for (int k = 1; k < level; ++k) prefix += flag(k) ? kContinuing : kEmpty;
      prefix += flag(level) ? kBranch : kLastBranch;
    }
    PassEntry(t, i, &flags);
  }
}

std::string TreePrefix(int driveNumber, int entry) {
  std::vector<std::string> one;
  BuildPrefixRange(driveNumber, entry, entry, &one);
  return one.empty() ? std::string() : one[0];
}
