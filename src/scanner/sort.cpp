#include "scanner/sort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "store/drive_table.h"
#include "text/ascii.h"

namespace {

// The separator must sort below every name byte so that a directory's whole
// subtree comes before a sibling whose name merely extends its name.
inline unsigned char KeyByte(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b == '\\') return 0;
  return static_cast<unsigned char>(UpperAscii(static_cast<char>(b)));
}

}  // namespace

std::string TreeOrderKey(std::string_view path) {
  std::string key(path);
  for (char& c : key) c = static_cast<char>(KeyByte(c));
  return key;
}

int CompareTreeOrder(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = KeyByte(a[i]);
    unsigned char y = KeyByte(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

// Tree order for one drive's scan.  Two sibling names that differ only in
// the case of a to z (a case-sensitive file system) have equal keys; by the
// key alone their subtrees would interleave and the tree would show children
// under the wrong parent.  Such names are told apart by their bytes once the
// name ends, each followed by its own subtree.
bool ScanOrderLess(const std::string& a, const std::string& b) {
  int tie = 0;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = KeyByte(a[i]);
    unsigned char y = KeyByte(b[i]);
    if (x != y) return x < y;
    if (x == 0) {
      if (tie != 0) return tie < 0;
    } else if (tie == 0 && a[i] != b[i]) {
      tie = static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return tie < 0;
  // The longer path either goes on below an equal name, or has the longer
  // name.
  const std::string& longer = a.size() > b.size() ? a : b;
  if (tie != 0 && longer[n] == '\\') return tie < 0;
  return a.size() < b.size();
}

// Where two paths first differ in their bytes.  Eight bytes at a time: this
// is where a big drive's sort spends its time.
size_t FirstDifference(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x, y;
    memcpy(&x, a.data() + i, 8);
    memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// ScanOrderLess without deriving whole keys: keys agree wherever the bytes
// do, so when the keys differ at the first differing byte that byte decides.
// Only names that differ in the case of a to z need the full comparison.
bool ScanOrderLessFast(const std::string& a, const std::string& b) {
  size_t i = FirstDifference(a, b);
  if (i == a.size() || i == b.size()) return a.size() < b.size();
  unsigned char x = KeyByte(a[i]);
  unsigned char y = KeyByte(b[i]);
  if (x != y) return x < y;
  return ScanOrderLess(a, b);
}

}  // namespace

void SortScanList() {
  std::vector<std::string>& list = scanner.scanList;
  // Entry 0 is the placeholder and entry 1 the root; neither moves.
  int count = std::min(scanner.scanCount, static_cast<int>(list.size()) - 1);
  if (count < 3) return;
  if (std::is_sorted(list.begin() + 2, list.begin() + count + 1, ScanOrderLessFast)) return;
  // std::sort moves the strings themselves (cheap swaps of their buffers).
  std::sort(list.begin() + 2, list.begin() + count + 1, ScanOrderLessFast);
}
