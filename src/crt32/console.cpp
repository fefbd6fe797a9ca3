#include "crt32/console.h"

#include <algorithm>

#include "text/text_cells.h"
#include "platform/process.h"
#include "platform/console_device.h"
#include "platform/system.h"

// Slot tables: foreground and background of colour slots 1..30.
const uint8_t kSlotForeground[31] = {
    0,  7,  14, 15, 10, 11, 15, 10, 11, 0, 0,  8,  0,  8,  1, 7,
    15, 15, 14, 14, 4,  0,  15, 14, 15, 0, 14, 15, 11, 7,  7};
const uint8_t kSlotBackground[31] = {
    0, 1, 1, 1, 1, 1, 5, 5, 5, 3, 3, 3, 6, 6, 3, 1,
    1, 5, 1, 5, 7, 7, 5, 5, 5, 5, 1, 1, 1, 1, 5};

namespace {

// Today's consoles keep thousands of rows of history and show a window
// somewhere in them; the screen the program draws on is that window as it
// stood when the program started, not the buffer's first rows.
bool originKnown = false;
int originColumn = 0;
int originRow = 0;

BufferInfo Info() {
  BufferInfo info;
  theConsole->GetBufferInfo(&info);
  if (!originKnown) {
    originKnown = true;
    originColumn = info.window.left;
    originRow = info.window.top;
  }
  return info;
}

Coord ToBuffer(int column, int row) {
  Coord c;
  c.x = static_cast<int16_t>(column + originColumn);
  c.y = static_cast<int16_t>(row + originRow);
  return c;
}

}  // namespace

void ResetConsoleLayer() {
  originKnown = false;
  originColumn = originRow = 0;
}

void MoveCursor(int column, int row) {
  Info();
  theConsole->SetCursorPosition(ToBuffer(column, row));
}

int CursorColumn() { return Info().cursor.x - originColumn; }

int CursorRow() { return Info().cursor.y - originRow; }

void SetForeground(uint8_t colour) {
  BufferInfo info = Info();
  theConsole->SetTextAttribute(
      static_cast<uint16_t>((info.attributes & 0xFFF0) + colour));
}

void SetBackground(uint8_t colour) {
  BufferInfo info = Info();
  theConsole->SetTextAttribute(
      static_cast<uint16_t>((info.attributes & 0x000F) + colour * 16));
}

void SetColourSlot(int slot) {
  SetForeground(kSlotForeground[slot]);
  SetBackground(kSlotBackground[slot]);
}

void ClearToLineEnd() {
  BufferInfo info = Info();
  int n = info.size.x - info.cursor.x;
  if (n > 0) {
    theConsole->FillAttribute(info.attributes, n, info.cursor);
    theConsole->FillCharacter(' ', n, info.cursor);
  }
  theConsole->SetCursorPosition(info.cursor);
}

void ClearScreen() {
  BufferInfo info = Info();
  int n = info.size.x * info.size.y;
  Coord home;
  theConsole->FillAttribute(info.attributes, n, home);
  theConsole->FillCharacter(' ', n, home);
  theConsole->SetCursorPosition(ToBuffer(0, 0));
}

void WriteAt(int column, int row, uint8_t foreground, uint8_t background,
             const std::string& text) {
  if (text.empty()) return;
  BufferInfo info = Info();
  Coord at = ToBuffer(column, row);
  if (theConsole->FollowsWindowSize()) {
    int room = info.window.right + 1 - at.x;
    if (room <= 0 || at.x < 0) return;
    if (TextCells(text) > room) {
      std::string cut = CutToCells(text, room);
      if (cut.empty()) return;
      theConsole->FillAttribute(static_cast<uint16_t>(background * 16 + foreground),
                                TextCells(cut), at);
      theConsole->WriteCharacters(cut.data(), static_cast<int>(cut.size()), at);
      return;
    }
  }
  theConsole->FillAttribute(static_cast<uint16_t>(background * 16 + foreground),
                            TextCells(text), at);
  theConsole->WriteCharacters(text.data(), static_cast<int>(text.size()), at);
}

void WriteAtSlot(int column, int row, int slot, const std::string& text) {
  WriteAt(column, row, kSlotForeground[slot], kSlotBackground[slot], text);
}

void WriteText(const std::string& text) {
  if (!theConsole->WriteOutput(text.data(), static_cast<int>(text.size())))
    RunTimeError(kIoDiskFull);
}

std::string VisibleControls(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (c < 32 || c == 127) {
      out += '^';
      out += static_cast<char>(c ^ 0x40);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void WriteLine(const std::string& text) {
  WriteText((theConsole->OutputIsTerminal() ? VisibleControls(text) : text) + "\r\n");
}

std::string ScreenName(const std::string& name) {
  return theConsole->ScreenName(name);
}

void HideCursor() {
  CursorInfo ci;
  theConsole->GetCursorInfo(&ci);
  ci.visible = false;
  theConsole->SetCursorInfo(ci);
}

void ShowCursor() {
  CursorInfo ci;
  theConsole->GetCursorInfo(&ci);
  ci.visible = true;
  theConsole->SetCursorInfo(ci);
}

int ScreenRows() {
  BufferInfo info = Info();
  return info.window.bottom - info.window.top + 1;
}

bool ConsoleFollowsWindow() { return theConsole->FollowsWindowSize(); }

int LayoutColumns() {
  if (!theConsole->FollowsWindowSize()) return 80;
  BufferInfo info = Info();
  return std::max(1, info.window.right - info.window.left + 1);
}
