#include "browser/render.h"

#include <algorithm>
#include <string>
#include <vector>

#include "crt32/console.h"
#include "text/text_cells.h"
#include "crt32/screen_layout.h"
#include "store/drive_table.h"

namespace {

// Slots of an entry's name: plain, under the bar, for a drive that is
// present, absent, and for the start-up directory.
struct NameSlots {
  int present, absent, startup;
};
constexpr NameSlots kPlainName = {slot::kName, slot::kAbsentName, slot::kStartupName};
constexpr NameSlots kBarName = {slot::kNameBar, slot::kAbsentNameBar, slot::kStartupNameBar};

int Rows() { return prog.ScreenRows; }
// The layout's width: 80 columns on the Windows console, the terminal's own
// width in a terminal.
int Width() { return prog.ScreenColumns; }


// Writes `text` from `*column` but never past the layout's last column, so
// nothing wraps onto the next row; advances `*column` by the cells written.
void WriteClipped(int* column, int row, int slot, const std::string& text) {
  if (*column >= Width()) return;
  std::string cut = CutToCells(text, Width() - *column);
  WriteAtSlot(*column, row, slot, cut);
  *column += TextCells(cut);
}

void WriteBlanksToEnd(int column, int row, int slot) {
  if (column < Width()) WriteAtSlot(column, row, slot, std::string(Width() - column, ' '));
}

// Keeps T <= S <= T+W-1 for a new list height, and fills the window from
// the top when it has grown past the drive's end.
void FitDrive(DriveTree& t, int rows) {
  const int n = t.entryCount;
  t.rowsUsed = n < rows - 1 ? n : std::max(1, rows - 2);
  const int w = t.rowsUsed;
  int& s = t.currentEntry;
  int& top = t.topEntry;
  s = std::min(std::max(s, 1), n);
  top = std::min(top, std::max(1, n - w + 1));
  if (s > top + w - 1) top = s - w + 1;
  if (s < top) top = s;
  top = std::max(top, 1);
}


// Prefix and name of entry `e` of drive `d` at `row`; sets the column after
// the name and the name's slot.
void DrawEntry(int d, int e, int row, const std::string& prefix, const NameSlots& slots,
               int* column, int* slot) {
  const DriveTree& t = Drive(d);
  const std::string_view path = t.paths[static_cast<size_t>(e)];
  *column = 0;
  WriteClipped(column, row, slot::kTreePrefix, prefix);
  *slot = path == prog.startupDirectory ? slots.startup
          : t.present                   ? slots.present
                                        : slots.absent;
  WriteClipped(column, row, *slot, ScreenName(std::string(EntryName(path))));
}

}  // namespace

std::string CutMiddle(const std::string& path, int cells) {
  if (TextCells(path) <= cells) return path;
  if (cells <= 2) return TailToCells(path, cells);
  // The drive's root stays when there is room for it and a little of the
  // end: "D:\..deep\name".
  std::string head = CutToCells(path, std::min(3, cells - 2 - 3));
  return head + ".." + TailToCells(path, cells - 2 - TextCells(head));
}

void FollowScreenSize() {
  prog.ScreenRows = std::max(3, ScreenRows());
  prog.ScreenColumns = LayoutColumns();
  for (int d = 1; d <= 26; ++d)
    if (Drive(d).entryCount > 0) FitDrive(Drive(d), prog.ScreenRows);
}

std::string_view EntryName(std::string_view path) { return NameOfPath(path); }

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
    // A drive gone since the scan shows in lower case.
    char letter = static_cast<char>(LetterOfDrive(d) + (t.present ? 0 : 'a' - 'A'));
    int letterSlot = d == cur ? (t.present ? slot::kCurrentDriveLetter : slot::kAbsentCurrentDriveLetter)
                              : (t.present ? slot::kDriveLetter : slot::kAbsentDriveLetter);
    WriteAtSlot(column, kDriveRow, letterSlot, std::string(1, letter));
    ++column;
  }
  WriteBlanksToEnd(column, kDriveRow, slot::kDriveLine);
  int titleColumn = kTitleColumn;
  WriteClipped(&titleColumn, kDriveRow, slot::kDriveLine, kProgramTitle);
  if (cur != 0) {
    const DriveTree& t = Drive(cur);
    std::string count = !t.scanned ? "? dirs"
                                   : std::to_string(t.entryCount) +
                                         (t.entryCount == 1 ? " dir" : " dirs");
    // Up to five digits the count starts at column 69; longer ones move
    // left so that the text still ends in the last column.
    int countColumn = std::max(0, std::min(kCountColumn, Width() - TextCells(count)));
    WriteClipped(&countColumn, kDriveRow, slot::kDirectoryCount, count);
  }

  MoveCursor(0, rows - 1);
  int status = 0;
  WriteClipped(&status, rows - 1, slot::kStatusNote, " F1: ");
  WriteClipped(&status, rows - 1, slot::kStatusPath, "Help \xB3 ");
  WriteBlanksToEnd(status, rows - 1, slot::kStatusPath);
  DrawListWindow(cur);
}

void DrawListWindow(int driveNumber) {
  const int lastRow = Rows() - 2;
  int row = 1;
  if (HasEntries(driveNumber)) {
    const DriveTree& t = Drive(driveNumber);
    // Prefixes are built for the rows on screen only.
    static std::vector<std::string> prefixes;
    const int shown = std::min(t.rowsUsed, lastRow);
    BuildPrefixRange(driveNumber, t.topEntry, t.topEntry + shown - 1, &prefixes);
    for (; row <= shown; ++row) {
      int e = t.topEntry + row - 1;
      if (e < 1 || e > t.entryCount) break;
      int column, slot;
      DrawEntry(driveNumber, e, row, prefixes[static_cast<size_t>(row - 1)], kPlainName,
                &column, &slot);
      WriteBlanksToEnd(column, row, slot);
    }
  }
  for (; row <= lastRow; ++row) WriteBlanksToEnd(0, row, slot::kTreePrefix);
}

void DrawStatusLine() {
  const int row = Rows() - 1;
  const int cur = prog.currentDrive;
  int column = kPathColumn;
  if (HasEntries(cur)) {
    const DriveTree& t = Drive(cur);
    // The path is cut at the layout's edge like everything else: past it the
    // console would wrap it onto the row below the window.  A terminal of
    // any width shows its end, the selected directory's own name, and gives
    // up the middle instead.
    if (!prog.statusNote.empty()) {
      // A note from the last dialogue takes the place of the path once.
      WriteClipped(&column, row, slot::kStatusNote, prog.statusNote);
      prog.statusNote.clear();
      WriteBlanksToEnd(column, row, slot::kStatusNote);
      return;
    }
    std::string path = ScreenName(std::string(t.paths[static_cast<size_t>(t.currentEntry)]));
    if (ConsoleFollowsWindow()) path = CutMiddle(path, Width() - column);
    WriteClipped(&column, row, slot::kStatusPath, path);
    if (!t.scanned) {
      WriteClipped(&column, row, slot::kStatusNote, " (This drive has not been scanned)");
    } else if (t.currentEntry == 1) {
      WriteClipped(&column, row, slot::kStatusNote, " (Scanned " + t.scanStamp + ")");
      if (!t.present) WriteClipped(&column, row, slot::kStatusNote, " (Currently not available)");
    }
  }
  WriteBlanksToEnd(column, row, slot::kStatusNote);
}

void DrawCursorBar(bool on) {
  const int cur = prog.currentDrive;
  if (!HasEntries(cur)) return;
  const DriveTree& t = Drive(cur);
  int row = t.currentEntry - t.topEntry + 1;
  if (row < 1 || row > Rows() - 2 || t.currentEntry > t.entryCount) return;
  int column, slot;
  DrawEntry(cur, t.currentEntry, row, TreePrefix(cur, t.currentEntry),
            on ? kBarName : kPlainName, &column, &slot);
}

void RedrawTree(bool resized) {
  if (resized) FollowScreenSize();
  DrawTreeScreen();
}
