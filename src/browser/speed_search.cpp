#include "browser/speed_search.h"

#include <algorithm>

#include <cstring>
#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/screen.h"
#include "text/text_cells.h"
#include "crt32/screen_layout.h"
#include "store/drive_table.h"
#include "text/ascii.h"

namespace {


constexpr int kBackspace = 8;
constexpr int kTextColumn = 15;

bool NonAscii(unsigned char c) { return c >= 0x80; }

bool NameStartsWith(std::string_view path, const std::string& text) {
  std::string_view name = EntryName(path);
  // Keys arrive in the console's characters, so a name beyond ASCII is
  // compared as the console shows it.
  std::string shown;
  if (std::any_of(name.begin(), name.end(), NonAscii)) {
    shown = ScreenName(std::string(name));
    name = shown;
  }
  if (text.empty() || name.size() < text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (UpperAscii(name[i]) != text[i]) return false;
  return true;
}

// First entry in first..last whose name begins with `text`, or 0.  Only
// entries whose name starts with the right character are looked at.
int FindMatch(const DriveTree& tree, int first, int last,
              const std::string& text) {
  if (text.empty() || first > last) return 0;
  // The initials are the stored bytes, which for a key beyond ASCII need not
  // be the console's: such a search looks at every name.
  if (NonAscii(static_cast<unsigned char>(text[0]))) {
    for (int i = first; i <= last; ++i)
      if (NameStartsWith(tree.paths[static_cast<size_t>(i)], text)) return i;
    return 0;
  }
  const char* initials = tree.paths.Initials();
  const char* at = initials + first;
  const char* end = initials + last + 1;
  while (at < end) {
    at = static_cast<const char*>(memchr(at, text[0], static_cast<size_t>(end - at)));
    if (at == nullptr) return 0;
    const int i = static_cast<int>(at - initials);
    if (NameStartsWith(tree.paths[static_cast<size_t>(i)], text)) return i;
    ++at;
  }
  return 0;
}

}  // namespace

void SpeedSearchKey(int keyCode) {
  if (keyCode < 0 && keyCode != kKeyAltN) return;
  if (keyCode == 0 || keyCode > 255) return;
  int d = prog.currentDrive;
  if (d < 1 || d > 26) return;
  DriveTree& tree = Drive(d);
  std::string& text = prog.searchText;

  if (keyCode == kBackspace) {
    if (text.empty()) return;
    if (text.size() == 1) {
      DrawTreeScreen();
      return;
    }
    text.pop_back();
    ShowSpeedSearchLine();
    return;
  }

  bool next = keyCode == kKeyAltN;
  std::string candidate = text;
  if (!next) candidate += UpperAscii(static_cast<char>(keyCode));

  // Guard against a drive whose bookkeeping does not cover its paths.
  int count = tree.StoredCount();
  int start = tree.currentEntry;
  if (start < 1 || start > count) {
    Beep();
    return;
  }

  // A typed character may keep the current entry; Alt-N must move on, and
  // comes back to the current entry only when nothing else matches.
  int found = FindMatch(tree, next ? start + 1 : start, count, candidate);
  if (found == 0) found = FindMatch(tree, 1, start, candidate);
  if (found == 0) {
    Beep();
    return;
  }
  tree.currentEntry = found;
  text = candidate;
  ShowSpeedSearchLine();

  int rows = prog.ScreenRows;
  if (found < tree.topEntry || found - tree.topEntry > rows - 3) {
    tree.topEntry = found - (rows - 3);
    if (tree.topEntry < 1) tree.topEntry = 1;
    DrawListWindow(d);
  }
}

void ShowSpeedSearchLine() {
  MoveCursor(0, 0);
  SetColourSlot(slot::kSearchLabel);
  ClearToLineEnd();
  WriteText(" Speed Search: ");
  SetColourSlot(slot::kSearchText);
  // A text wider than the row would wrap into the list window.
  WriteText(CutToCells(prog.searchText, prog.ScreenColumns - kTextColumn));
  // In a narrow terminal the hint gives way to the text.
  int hint = 49;
  if (hint + 18 > prog.ScreenColumns) return;
  MoveCursor(hint, 0);
  SetColourSlot(slot::kSearchHint);
  WriteText("Alt-N = Next match");
}
