// Test tool (not shipped): draws a framed tree screen the way tree mode
// does (code page 437 frames, tree lines and arrows, UTF-8 names), moves a
// cursor bar with Up and Down, and puts the user's screen back on Q.  The
// status row counts the moves so that a test can wait for each one.  With
// the argument "full" every row of the frame holds an entry.  With "poll" it
// draws nothing: it polls for keys the way a command-line scan does and
// reports the first Esc on standard output.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "platform/process.h"
#include "platform/platform.h"

namespace {

std::vector<std::string> kNames = {
    "\xC4\xC4 C:\\",
    "\xC3\xC4\xC4 WORK",
    "\xB3  \xC3\xC4\xC4 Gr\xC3\xBC\xC3\x9F" "e",
    "\xB3  \xC3\xC4\xC4 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
    "\xB3  \xC0\xC4\xC4 cafe\xCC\x81",
    "\xC3\xC4\xC4 TOOLS",
    "\xB3  \xC0\xC4\xC4 BIN",
    "\xC0\xC4\xC4 TEMP",
};

void DrawEntry(int index, bool bar) {
  std::string line = kNames[static_cast<size_t>(index)];
  line += std::string(40, ' ');
  WriteAtSlot(2, 2 + index, bar ? 9 : 1, line.substr(0, 40));
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<System> system = CreatePlatformSystem("term_frame");
  std::unique_ptr<ConsoleDevice> console = CreatePlatformConsole();
  theSystem = system.get();
  theConsole = console.get();

  if (argc > 1 && std::string(argv[1]) == "poll") {
    WriteLine("polling");
    int polls = 0;
    for (;;) {
      ++polls;
      if (KeyWaiting()) {
        uint8_t ch = ReadKeyChar();
        if (ch == 27) break;
        WriteLine("key " + std::to_string(ch));
      }
      theSystem->Sleep(1);
    }
    WriteLine("got Esc after " + std::string(polls > 1 ? "polling" : "one poll"));
    EndProcess(0);
  }

  // The user's screen, as tree mode saves it.
  BufferInfo info;
  theConsole->GetBufferInfo(&info);
  int cells = info.size.x * info.size.y;
  std::vector<char> savedChars(static_cast<size_t>(cells));
  std::vector<uint16_t> savedAttrs(static_cast<size_t>(cells));
  theConsole->ReadAttributes(savedAttrs.data(), cells, Coord{});
  theConsole->ReadCharacters(savedChars.data(), cells, Coord{});

  int rows = ScreenRows();
  if (argc > 1 && std::string(argv[1]) == "full") {
    kNames.back() = "\xC3\xC4\xC4 TEMP";
    while (static_cast<int>(kNames.size()) < rows - 5) {
      std::string n = std::to_string(kNames.size());
      kNames.push_back("\xB3  \xC3\xC4\xC4 PROJECT" + n);
    }
    kNames.push_back("\xC0\xC4\xC4 ZIP");
  }
  HideCursor();
  SetColourSlot(1);
  ClearScreen();
  WriteAtSlot(0, 0, 3,
              "\xC9" + std::string(44, '\xCD') + "\xBB");
  for (int r = 1; r < rows - 2; ++r) {
    WriteAtSlot(0, r, 3, "\xBA");
    WriteAtSlot(45, r, 3, "\xBA");
  }
  WriteAtSlot(0, rows - 2, 3, "\xC8" + std::string(44, '\xCD') + "\xBC");
  WriteAtSlot(50, 2, 2, "\x18\x19 move  \x1B\x1A drive");
  int count = static_cast<int>(kNames.size());
  int current = 0;
  for (int i = 0; i < count; ++i) DrawEntry(i, i == current);

  int moves = 0;
  for (;;) {
    WriteAtSlot(0, rows - 1, 22, "moves: " + std::to_string(moves) + "   ");
    if (!theConsole->WaitForInput()) EndProcess(0);
    InputRecord record;
    theConsole->ReadInput(&record);
    if (record.eventType != kKeyEvent || !record.key.keyDown) continue;
    int vk = record.key.virtualKeyCode;
    if (vk == 'Q') break;
    int next = current;
    if (vk == 40 && current + 1 < count) next = current + 1;
    if (vk == 38 && current > 0) next = current - 1;
    if (next == current) continue;
    DrawEntry(current, false);
    current = next;
    DrawEntry(current, true);
    ++moves;
  }

  ShowCursor();
  SetForeground(7);
  SetBackground(0);
  theConsole->WriteAttributes(savedAttrs.data(), cells, Coord{});
  theConsole->WriteCharacters(savedChars.data(), cells, Coord{});
  MoveCursor(0, 0);
  WriteLine("term-frame done");
  EndProcess(0);
}
