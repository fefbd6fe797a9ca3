#include "browser/help.h"

#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/keyboard.h"
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

}  // namespace

void ShowHelpScreen() {
  SetColourSlot(26);
  ClearScreen();
  WriteAtSlot(26, 0, 26, "Kestrin 95 v1.00");
  WriteAtSlot(13, 1, 26, "A quick way to change directory from a tree of drives");
  WriteAtSlot(22, 2, 26, "Press any key to return to the tree");
  for (const HelpLine& line : kHelpLines)
    WriteAtSlot(line.column, line.row, 27, line.text);
  WriteAtSlot(0, prog.ScreenRows - 1, 20, std::string(80, ' '));

  // The closing key must not reach tree mode: neither the scan code an
  // extended key leaves pending nor presses queued right behind it.
  ReadKeyChar();
  while (KeyWaiting()) ReadKeyChar();

  DrawTreeScreen();
}
