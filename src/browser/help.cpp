#include "browser/help.h"

#include <algorithm>
#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "crt32/screen_layout.h"
#include "store/drive_table.h"

namespace {

struct HelpLine {
  int row;
  int column;
  const char* text;
};

// Rows 12 to 14 hold the code page 437 arrow glyphs: 0x18 up, 0x19 down,
// 0x1B left.
const HelpLine kHelpLines[] = {
    {4, 9, "Key             Action"},
    {5, 9, "--------------  ---------------------------------------------"},
    {6, 9, "F2              Rescan drives"},
    {7, 9, "Shift-F2        Rescan drives, include hidden directories"},
    {8, 9, "Alt-P           Print directory tree"},
    {9, 9, "Delete          Delete non-parent directory from scan file"},
    {10, 9, "Ctrl-Delete     Delete drive from scan file"},
    {11, 9, "Tab, Shift-Tab  Show next/previous drive"},
    {12, 9, "Cursor keys     Navigate tree with \x18 \x19 PageUp PageDn Home End"},
    {13, 9, "Ctrl  \x18 \x19       Cursor up/down, same tree level"},
    {14, 9, "\x1B               Cursor up to parent directory"},
    {15, 9, "Alpha keys      Speed search: type in directory name"},
    {16, 9, "Enter           Change to selected drive/directory and exit"},
    {17, 9, "Esc, Alt-X      Exit program without changing directory"},
    {19, 4, "Command line options:"},
    {21, 4, "KS partial_dir_name   ; direct jump (pop-up list for multiple matches)"},
    {22, 4, "KS ?                  ; list all command line options"},
};

constexpr int kHelpRows = 23;  // rows 0..22, then the bar on the last row
constexpr int kWidestLine = 71;  // the longest line, from column 4

void DrawHelp() {
  const int width = prog.ScreenColumns;
  const int rows = prog.ScreenRows;
  // A terminal smaller than the screen gets it packed: the columns move left
  // as far as needed, the blank rows and the two heading lines go first.
  const bool packed = ConsoleFollowsWindow() && rows - 1 < kHelpRows;
  const int shift = std::max(0, 4 + kWidestLine - width);
  auto column = [shift](int c) { return std::max(0, c - shift); };

  SetColourSlot(slot::kHelpHeading);
  ClearScreen();
  WriteAtSlot(column(kTitleColumn), 0, slot::kHelpHeading, kProgramTitle);
  if (!packed) {
    WriteAtSlot(column(13), 1, slot::kHelpHeading, "A quick way to change directory from a tree of drives");
    WriteAtSlot(column(22), 2, slot::kHelpHeading, "Press any key to return to the tree");
  }
  int row = 1;
  for (const HelpLine& line : kHelpLines) {
    int at = packed ? row++ : line.row;
    if (at < rows - 1) WriteAtSlot(column(line.column), at, slot::kHelpText, line.text);
  }
  WriteAtSlot(0, rows - 1, slot::kStatusNote, std::string(static_cast<size_t>(width), ' '));
}

}  // namespace

void ShowHelpScreen() {
  // A change of the window's size redraws the help for the new size and
  // goes on waiting.
  for (;;) {
    DrawHelp();
    if (ReadKeyCode(false) != kKeyResize) break;
    FollowScreenSize();
  }
  // The closing key must not reach tree mode: neither the scan code an
  // extended key leaves pending (read above) nor presses queued right
  // behind it.
  while (KeyWaiting()) ReadKeyChar();

  DrawTreeScreen();
}
