#include "browser/print.h"

#include <memory>
#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "store/drive_table.h"
#include "system/system.h"

namespace {


// Waits for Esc or a port digit; everything else, extended keys included,
// leaves the prompt standing.
uint8_t ReadPortKey() {
  for (;;) {
    uint8_t c = ReadPromptChar();
    if (c == kKeyEsc || (c >= '1' && c <= '3')) return c;
  }
}

// The message follows the " ..." of the status line; the cursor is still
// there.
void ShowPrinterError() {
  Beep();
  WriteText("   *** Error writing to printer ***");
  Pause(3000);
}

bool PrintLines(File* printer, const DriveTree& tree) {
  int count = tree.entryCount;
  if (count > static_cast<int>(tree.paths.size()) - 1)
    count = static_cast<int>(tree.paths.size()) - 1;
  for (int i = 1; i <= count; ++i) {
    std::string line;
    if (i < static_cast<int>(tree.prefixes.size())) line = tree.prefixes[i];
    line += ScreenName(EntryName(tree.paths[i]));
    line += "\r\n";
    if (printer->Write(line.data(), static_cast<int>(line.size())) != 0)
      return false;
  }
  return true;
}

}  // namespace

void PrintTree() {
  int rows = prog.ScreenRows;
  SetColourSlot(22);
  MoveCursor(0, rows - 1);
  WriteText(" Print tree to LPT (1,2,3): ");
  ClearToLineEnd();
  ShowCursor();
  uint8_t key = ReadPortKey();
  HideCursor();
  if (key == kKeyEsc) {
    DrawTreeScreen();
    return;
  }

  MoveCursor(0, rows - 1);
  WriteText(std::string(" Printing to LPT") + static_cast<char>(key) + " ...");
  ClearToLineEnd();

  // A missing or refusing printer is the user's business, not a reason to
  // end the program: it is reported like a failing write.
  int error = 0;
  std::unique_ptr<File> printer = theSystem->OpenPrinter(key - '0', &error);
  if (!printer || error != 0) {
    ShowPrinterError();
    DrawTreeScreen();
    return;
  }

  bool ok = true;
  int d = prog.currentDrive;
  if (d >= 1 && d <= 26) ok = PrintLines(printer.get(), Drive(d));
  if (!ok) ShowPrinterError();
  // The page is ejected even after a failed line; its own outcome does not
  // matter.
  printer->Write("\f", 1);
  if (printer->Close() != 0 && ok) ShowPrinterError();

  DrawTreeScreen();
}
