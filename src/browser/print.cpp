#include "browser/print.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "crt32/screen_layout.h"
#include "store/drive_table.h"
#include "platform/system.h"

namespace {


// Waits for Esc or a port digit; everything else, extended keys included,
// leaves the prompt standing.
uint8_t ReadPortKey(const std::function<void()>& redraw) {
  for (;;) {
    uint8_t c = ReadPromptChar(redraw);
    if (c == kKeyEsc || (c >= '1' && c <= '3')) return c;
  }
}

// The message follows the " ..." of the status line; the cursor is still
// there.
// A spooler's own words say more than ours; they are cut to the row.
void ShowPrinterError(const std::string& message = std::string()) {
  Beep();
  WriteText(("   " + (message.empty() ? std::string("*** Error writing to printer ***")
                                      : message)).substr(0, 58));
  Pause(3000);
}

bool PrintLines(File* printer, int d) {
  const DriveTree& tree = Drive(d);
  int count = tree.StoredCount();
  // Prefixes come in blocks, reusing their strings: a drive of a million
  // entries prints without a million allocations.
  constexpr int kBlock = 1024;
  std::vector<std::string> prefixes;
  std::string line;
  for (int first = 1; first <= count; first += kBlock) {
    const int last = std::min(count, first + kBlock - 1);
    BuildPrefixRange(d, first, last, &prefixes);
    for (int i = first; i <= last; ++i) {
      line = prefixes[static_cast<size_t>(i - first)];
      line += ScreenName(std::string(EntryName(tree.paths[static_cast<size_t>(i)])));
      line += "\r\n";
      if (printer->Write(line.data(), static_cast<int>(line.size())) != 0)
        return false;
    }
  }
  return true;
}

}  // namespace

void PrintTree() {
  auto ask = [] {
    SetColourSlot(slot::kPrompt);
    MoveCursor(0, prog.ScreenRows - 1);
    WriteText(" Print tree to LPT (1,2,3): ");
    ClearToLineEnd();
    ShowCursor();
  };
  ask();
  uint8_t key = ReadPortKey([&ask] {
    FollowScreenSize();
    DrawTreeScreen();
    ask();
  });
  HideCursor();
  const int rows = prog.ScreenRows;
  if (key == kKeyEsc) {
    DrawTreeScreen();
    return;
  }

  MoveCursor(0, rows - 1);
  WriteText(std::string(" Printing to LPT") + static_cast<char>(key) + " ...");
  ClearToLineEnd();

  // A missing or refusing printer is the user's business, not a reason to
  // end the program: it is reported, and the tree comes back.
  Opened<File> opened = theSystem->OpenPrinter(key - '0');
  std::unique_ptr<File> printer = std::move(opened.handle);
  if (!printer || opened.error != 0) {
    ShowPrinterError("*** Printer could not be opened ***");
    DrawTreeScreen();
    return;
  }

  bool ok = true;
  int d = prog.currentDrive;
  if (d >= 1 && d <= 26) ok = PrintLines(printer.get(), d);
  // The page is ejected even after a failed line; its own outcome does not
  // matter.
  printer->Write("\f", 1);
  // A spooler tells why only once it has ended, so the close comes first.
  bool closed = printer->Close() == 0;
  if (!ok || !closed) ShowPrinterError(printer->ErrorText());

  DrawTreeScreen();
}
