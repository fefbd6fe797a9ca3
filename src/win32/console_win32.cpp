// The Windows console as the program's console device.  Everything here is
// in screen-buffer cells; the layer above decides which rows it draws on.
#include <windows.h>

#include <string>

#include "win32/codepage_win32.h"
#include "platform/platform.h"

namespace {

COORD ToWin(Coord c) {
  COORD w;
  w.X = c.x;
  w.Y = c.y;
  return w;
}

Coord FromWin(COORD w) {
  Coord c;
  c.x = w.X;
  c.y = w.Y;
  return c;
}

InputRecord FromWin(const INPUT_RECORD& w) {
  InputRecord r;
  r.eventType = w.EventType;
  if (w.EventType == KEY_EVENT) {
    const KEY_EVENT_RECORD& k = w.Event.KeyEvent;
    r.key.keyDown = k.bKeyDown != FALSE;
    r.key.repeatCount = k.wRepeatCount;
    r.key.virtualKeyCode = k.wVirtualKeyCode;
    r.key.virtualScanCode = k.wVirtualScanCode;
    r.key.asciiChar = static_cast<uint8_t>(k.uChar.AsciiChar);
    // The control-key bits are numbered as the console numbers them.
    r.key.controlKeyState = k.dwControlKeyState;
  }
  return r;
}

class WinConsole : public ConsoleDevice {
 public:
  bool GetBufferInfo(BufferInfo* info) override {
    CONSOLE_SCREEN_BUFFER_INFO w;
    if (!GetConsoleScreenBufferInfo(Out(), &w)) return false;
    info->size = FromWin(w.dwSize);
    info->cursor = FromWin(w.dwCursorPosition);
    info->attributes = w.wAttributes;
    info->window.left = w.srWindow.Left;
    info->window.top = w.srWindow.Top;
    info->window.right = w.srWindow.Right;
    info->window.bottom = w.srWindow.Bottom;
    return true;
  }

  void SetCursorPosition(Coord at) override {
    SetConsoleCursorPosition(Out(), ToWin(at));
  }

  void SetTextAttribute(uint16_t attribute) override {
    SetConsoleTextAttribute(Out(), attribute);
  }

  void FillAttribute(uint16_t attribute, int cells, Coord at) override {
    if (cells <= 0) return;
    DWORD done = 0;
    FillConsoleOutputAttribute(Out(), attribute, static_cast<DWORD>(cells),
                               ToWin(at), &done);
  }

  void FillCharacter(char ch, int cells, Coord at) override {
    if (cells <= 0) return;
    DWORD done = 0;
    FillConsoleOutputCharacterA(Out(), ch, static_cast<DWORD>(cells),
                                ToWin(at), &done);
  }

  void WriteCharacters(const char* text, int bytes, Coord at) override {
    if (bytes <= 0) return;
    DWORD done = 0;
    WriteConsoleOutputCharacterA(Out(), text, static_cast<DWORD>(bytes),
                                 ToWin(at), &done);
  }

  void WriteAttributes(const uint16_t* attributes, int cells,
                       Coord at) override {
    if (cells <= 0) return;
    DWORD done = 0;
    WriteConsoleOutputAttribute(Out(), attributes, static_cast<DWORD>(cells),
                                ToWin(at), &done);
  }

  void ReadCharacters(char* out, int cells, Coord at) override {
    ReadCells(ReadConsoleOutputCharacterA, out, cells, at, ' ');
  }

  void ReadAttributes(uint16_t* out, int cells, Coord at) override {
    ReadCells(ReadConsoleOutputAttribute, out, cells, at, uint16_t{0x07});
  }

  void GetCursorInfo(CursorInfo* info) override {
    CONSOLE_CURSOR_INFO w;
    if (!GetConsoleCursorInfo(Out(), &w)) return;
    info->size = w.dwSize;
    info->visible = w.bVisible != FALSE;
  }

  void SetCursorInfo(const CursorInfo& info) override {
    CONSOLE_CURSOR_INFO w;
    w.dwSize = info.size;
    w.bVisible = info.visible ? TRUE : FALSE;
    SetConsoleCursorInfo(Out(), &w);
  }

  // Names are kept in the ANSI code page, but the console shows its cells in
  // its output code page (1252's 0xE9 would read as 437's 0x82 "é"
  // otherwise).  A character the console's code page lacks shows as "?":
  // on screen only, never in anything stored or handed over.
  std::string ScreenName(const std::string& name) override {
    bool ascii = true;
    for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    UINT cp = GetConsoleOutputCP();
    if (cp == 0) cp = GetOEMCP();
    std::wstring wide;
    if (ascii || cp == GetACP() || !FromAnsi(name, &wide)) return name;
    std::string shown;
    if (NarrowExact(cp, wide, &shown)) return shown;
    shown.clear();
    for (size_t i = 0; i < wide.size(); ++i) {
      size_t n = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() ? 2 : 1;
      std::string one;
      shown += NarrowExact(cp, wide.substr(i, n), &one) ? one : "?";
      i += n - 1;
    }
    return shown;
  }

  // WriteFile rather than WriteConsole, so that redirected output works.
  bool WriteOutput(const char* text, int bytes) override {
    while (bytes > 0) {
      DWORD done = 0;
      if (!WriteFile(Out(), text, static_cast<DWORD>(bytes), &done, nullptr) ||
          done == 0)
        return false;
      text += done;
      bytes -= static_cast<int>(done);
    }
    return true;
  }

  bool OutputIsTerminal() const override {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  }
  bool InputIsTerminal() const override {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  }

  uint32_t GetInputMode() override {
    DWORD mode = 0;
    GetConsoleMode(In(), &mode);
    return mode;
  }

  void SetInputMode(uint32_t mode) override { SetConsoleMode(In(), mode); }

  bool WaitForInput() override {
    WaitForSingleObject(In(), INFINITE);
    return true;
  }

  int NumberOfInputEvents() override {
    DWORD n = 0;
    if (!GetNumberOfConsoleInputEvents(In(), &n)) return -1;
    return static_cast<int>(n);
  }

  bool PeekInput(InputRecord* record) override {
    INPUT_RECORD w;
    DWORD n = 0;
    if (!PeekConsoleInputA(In(), &w, 1, &n) || n != 1) return false;
    *record = FromWin(w);
    return true;
  }

  bool ReadInput(InputRecord* record) override {
    INPUT_RECORD w;
    DWORD n = 0;
    if (!ReadConsoleInputA(In(), &w, 1, &n) || n != 1) return false;
    *record = FromWin(w);
    return true;
  }

  bool ReadChar(uint8_t* ch) override {
    char c = 0;
    DWORD n = 0;
    if (!ReadConsoleA(In(), &c, 1, &n, nullptr) || n != 1) return false;
    *ch = static_cast<uint8_t>(c);
    return true;
  }

  int LayoutCharacter(int virtualKey, bool shift) override {
    BYTE state[256] = {};
    state[VK_SHIFT] = shift ? 0xFF : 0;
    WORD out = 0;
    int n = ToAscii(static_cast<UINT>(virtualKey), static_cast<UINT>(virtualKey),
                    state, &out, 0);
    if (n != 1) return -1;  // no character, or a dead key
    char ansi = static_cast<char>(out & 0xFF);
    char oem = 0;
    CharToOemBuffA(&ansi, &oem, 1);
    return static_cast<uint8_t>(oem);
  }

 private:
  // Both handles are fetched on first use and kept.
  HANDLE Out() {
    if (out_ == nullptr) out_ = GetStdHandle(STD_OUTPUT_HANDLE);
    return out_;
  }

  // Cells the console does not give back read as `blank`.
  template <typename Cell, typename Read>
  void ReadCells(Read read, Cell* out, int cells, Coord at, Cell blank) {
    if (cells <= 0) return;
    DWORD done = 0;
    if (!read(Out(), out, static_cast<DWORD>(cells), ToWin(at), &done)) done = 0;
    for (DWORD i = done; i < static_cast<DWORD>(cells); ++i) out[i] = blank;
  }
  HANDLE In() {
    if (in_ == nullptr) in_ = GetStdHandle(STD_INPUT_HANDLE);
    return in_;
  }

  HANDLE out_ = nullptr;
  HANDLE in_ = nullptr;
};

}  // namespace

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
  return std::make_unique<WinConsole>();
}
