#include "browser/render.h"

#include <algorithm>
#include <string>
#include <vector>

#include "crt32/console.h"
#include "crt32/text_cells.h"
#include "store/drive_table.h"

namespace {

constexpr int kWidth = 80;  // the layout's width, whatever the console's

const char kContinuing[] = "\xB3 ";
const char kEmpty[] = "  ";
const char kBranch[] = "\xC3\xC4";
const char kLastBranch[] = "\xC0\xC4";

// Slots of an entry's name: plain, under the bar, for a drive that is
// present, absent, and for the start-up directory.
struct NameSlots {
  int present, absent, startup;
};
constexpr NameSlots kPlainName = {16, 29, 18};
constexpr NameSlots kBarName = {17, 30, 19};

int Rows() { return prog.ScreenRows; }

// Writes `text` from `*column` but never past the layout's last column, so
// nothing wraps onto the next row; advances `*column` by the cells written.
void WriteClipped(int* column, int row, int slot, const std::string& text) {
  if (*column >= kWidth) return;
  std::string cut = CutToCells(text, kWidth - *column);
  WriteAtSlot(*column, row, slot, cut);
  *column += TextCells(cut);
}

void WriteBlanksToEnd(int column, int row, int slot) {
  if (column < kWidth) WriteAtSlot(column, row, slot, std::string(kWidth - column, ' '));
}

bool HasEntries(int d) { return d >= 1 && d <= 26 && Drive(d).entryCount > 0; }

// Prefix and name of entry `e` of drive `d` at `row`; sets the column after
// the name and the name's slot.
void DrawEntry(int d, int e, int row, const NameSlots& slots, int* column, int* slot) {
  const DriveTree& t = Drive(d);
  const std::string& path = t.paths[static_cast<size_t>(e)];
  *column = 0;
  WriteClipped(column, row, 15, t.prefixes[static_cast<size_t>(e)]);
  *slot = path == prog.startupDirectory ? slots.startup
          : t.present                   ? slots.present
                                        : slots.absent;
  WriteClipped(column, row, *slot, ScreenName(EntryName(path)));
}

}  // namespace

void BuildTreePrefixes(int driveNumber) {
  DriveTree& t = Drive(driveNumber);
  const int n = t.entryCount;
  // Strings left from an earlier load are emptied and reused.
  t.prefixes.resize(static_cast<size_t>(n) + 1);
  for (std::string& p : t.prefixes) p.clear();
  if (n < 2) return;
  // One flag per level; directories nest as deep as the file system allows,
  // so the flags grow with the deepest entry rather than stopping at a fixed
  // level.
  int deepest = 0;
  for (int i = 1; i <= n; ++i) deepest = std::max(deepest, t.depths[static_cast<size_t>(i)]);
  std::vector<char> levelFlags(static_cast<size_t>(deepest) + 1, 0);
  for (int i = n; i >= 2; --i) {
    const int level = t.depths[static_cast<size_t>(i)];
    std::string& prefix = t.prefixes[static_cast<size_t>(i)];
    prefix.reserve(2 * static_cast<size_t>(level));
    for (int k = 1; k < level; ++k) prefix += levelFlags[static_cast<size_t>(k)] ? kContinuing : kEmpty;
    prefix += levelFlags[static_cast<size_t>(level)] ? kBranch : kLastBranch;
    levelFlags[static_cast<size_t>(level)] = level <= t.depths[static_cast<size_t>(i) - 1];
  }
}

std::string EntryName(const std::string& path) {
  if (path.size() <= 3) return path;
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void DrawTreeScreen() {
  prog.searchText.clear();
  // A drive without entries cannot be shown: fall back to the first drive
  // that has some, or to none at all.
  if (!HasEntries(prog.currentDrive)) {
    prog.currentDrive = 0;
    for (int d = 1; d <= 26 && prog.currentDrive == 0; ++d)
      if (HasEntries(d)) prog.currentDrive = d;
  }
  const int cur = prog.currentDrive;
  const int rows = Rows();

  int column = 0;
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& t = Drive(d);
    if (t.entryCount <= 0) continue;
    char letter = static_cast<char>(t.present ? d + 64 : d + 96);
    int slot = d == cur ? (t.present ? 12 : 13) : (t.present ? 10 : 11);
    WriteAtSlot(column, 0, slot, std::string(1, letter));
    ++column;
  }
  WriteBlanksToEnd(column, 0, 9);
  WriteAtSlot(26, 0, 9, "Kestrin 95 v1.00");
  if (cur != 0) {
    const DriveTree& t = Drive(cur);
    std::string count = !t.scanned ? "? dirs"
                                   : std::to_string(t.entryCount) +
                                         (t.entryCount == 1 ? " dir" : " dirs");
    WriteAtSlot(69, 0, 14, count);
  }

  MoveCursor(0, rows - 1);
  WriteAtSlot(0, rows - 1, 20, " F1: ");
  WriteAtSlot(5, rows - 1, 21, "Help \xB3 ");
  WriteAtSlot(12, rows - 1, 21, std::string(68, ' '));
  DrawListWindow(cur);
}

void DrawListWindow(int driveNumber) {
  const int lastRow = Rows() - 2;
  int row = 1;
  if (HasEntries(driveNumber)) {
    const DriveTree& t = Drive(driveNumber);
    for (; row <= t.rowsUsed && row <= lastRow; ++row) {
      int e = t.topEntry + row - 1;
      if (e < 1 || e > t.entryCount) break;
      int column, slot;
      DrawEntry(driveNumber, e, row, kPlainName, &column, &slot);
      WriteBlanksToEnd(column, row, slot);
    }
  }
  for (; row <= lastRow; ++row) WriteBlanksToEnd(0, row, 15);
}

void DrawStatusLine() {
  const int row = Rows() - 1;
  const int cur = prog.currentDrive;
  int column = 12;
  if (HasEntries(cur)) {
    const DriveTree& t = Drive(cur);
    // The path is cut at the layout's edge like everything else: past it the
    // console would wrap it onto the row below the window.
    WriteClipped(&column, row, 21,
                 ScreenName(t.paths[static_cast<size_t>(t.currentEntry)]));
    if (!t.scanned) {
      WriteClipped(&column, row, 20, " (This drive has not been scanned)");
    } else if (t.currentEntry == 1) {
      WriteClipped(&column, row, 20, " (Scanned " + t.scanStamp + ")");
      if (!t.present) WriteClipped(&column, row, 20, " (Currently not available)");
    }
  }
  WriteBlanksToEnd(column, row, 20);
}

void DrawCursorBar(bool on) {
  const int cur = prog.currentDrive;
  if (!HasEntries(cur)) return;
  const DriveTree& t = Drive(cur);
  int row = t.currentEntry - t.topEntry + 1;
  if (row < 1 || row > Rows() - 2 || t.currentEntry > t.entryCount) return;
  int column, slot;
  DrawEntry(cur, t.currentEntry, row, on ? kBarName : kPlainName, &column, &slot);
}
