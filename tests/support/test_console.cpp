#include "test_console.h"

#include <algorithm>
#include <cctype>

TestConsole::TestConsole(int c, int r) { Resize(c, r); }

void TestConsole::Resize(int c, int r) {
  columns = c;
  rows = r;
  chars.assign(static_cast<size_t>(c * r), ' ');
  attrs.assign(static_cast<size_t>(c * r), 0x07);
  SetWindow(0, r);
}

void TestConsole::SetWindow(int top, int height) {
  window.left = 0;
  window.right = static_cast<int16_t>(columns - 1);
  window.top = static_cast<int16_t>(top);
  window.bottom = static_cast<int16_t>(top + height - 1);
}

bool TestConsole::GetBufferInfo(BufferInfo* info) {
  info->size.x = static_cast<int16_t>(columns);
  info->size.y = static_cast<int16_t>(rows);
  info->cursor = cursor;
  info->attributes = attribute;
  info->window = window;
  return true;
}

void TestConsole::SetCursorPosition(Coord at) {
  if (at.x < 0 || at.y < 0 || at.x >= columns || at.y >= rows) return;
  cursor = at;
}

void TestConsole::SetTextAttribute(uint16_t a) { attribute = a; }

void TestConsole::FillAttribute(uint16_t a, int cells, Coord at) {
  if (at.x < 0 || at.y < 0 || at.x >= columns || at.y >= rows) return;
  int start = Index(at);
  int end = std::min(start + cells, columns * rows);
  for (int i = start; i < end; ++i) attrs[static_cast<size_t>(i)] = a;
}

void TestConsole::FillCharacter(char ch, int cells, Coord at) {
  if (at.x < 0 || at.y < 0 || at.x >= columns || at.y >= rows) return;
  int start = Index(at);
  int end = std::min(start + cells, columns * rows);
  for (int i = start; i < end; ++i) chars[static_cast<size_t>(i)] = ch;
}

void TestConsole::WriteCharacters(const char* text, int bytes, Coord at) {
  ++writeCalls;
  if (at.x < 0 || at.y < 0 || at.x >= columns || at.y >= rows) return;
  int start = Index(at);
  int end = std::min(start + bytes, columns * rows);
  for (int i = start; i < end; ++i) chars[static_cast<size_t>(i)] = text[i - start];
}

void TestConsole::WriteAttributes(const uint16_t* a, int cells, Coord at) {
  ++writeCalls;
  if (at.x < 0 || at.y < 0 || at.x >= columns || at.y >= rows) return;
  int start = Index(at);
  int end = std::min(start + cells, columns * rows);
  for (int i = start; i < end; ++i) attrs[static_cast<size_t>(i)] = a[i - start];
}

void TestConsole::ReadCharacters(char* out, int cells, Coord at) {
  ++readCalls;
  int start = Index(at);
  for (int i = 0; i < cells; ++i)
    out[i] = (start + i < columns * rows) ? chars[static_cast<size_t>(start + i)] : ' ';
}

void TestConsole::ReadAttributes(uint16_t* out, int cells, Coord at) {
  ++readCalls;
  int start = Index(at);
  for (int i = 0; i < cells; ++i)
    out[i] = (start + i < columns * rows) ? attrs[static_cast<size_t>(start + i)] : 0;
}

void TestConsole::GetCursorInfo(CursorInfo* info) { *info = cursorInfo; }

void TestConsole::SetCursorInfo(const CursorInfo& info) { cursorInfo = info; }

void TestConsole::Put(char ch) {
  switch (ch) {
    case '\r':
      cursor.x = 0;
      return;
    case '\n':
      cursor.x = 0;
      break;
    case '\b':
      if (cursor.x > 0) --cursor.x;
      return;
    case '\a':
      return;
    default: {
      int i = Index(cursor);
      chars[static_cast<size_t>(i)] = ch;
      attrs[static_cast<size_t>(i)] = attribute;
      if (++cursor.x < columns) return;
      cursor.x = 0;
    }
  }
  // Next row, scrolling the buffer at its end as a console does.
  if (++cursor.y >= rows) {
    cursor.y = static_cast<int16_t>(rows - 1);
    std::rotate(chars.begin(), chars.begin() + columns, chars.end());
    std::rotate(attrs.begin(), attrs.begin() + columns, attrs.end());
    std::fill(chars.end() - columns, chars.end(), ' ');
    std::fill(attrs.end() - columns, attrs.end(), attribute);
  }
}

bool TestConsole::WriteOutput(const char* text, int bytes) {
  if (failOutput) return false;
  output.append(text, static_cast<size_t>(bytes));
  for (int i = 0; i < bytes; ++i) Put(text[i]);
  return true;
}

void TestConsole::SetInputMode(uint32_t mode) { inputMode = mode; }

bool TestConsole::WaitForInput() {
  modesWhileWaiting.push_back(inputMode);
  if (input.empty() && inputEnded) return false;
  if (input.empty()) throw OutOfInput();
  return true;
}

int TestConsole::NumberOfInputEvents() { return static_cast<int>(input.size()); }

// A scripted size change takes effect when it reaches the head of the
// queue, as a terminal's buffer follows the window before the event is read.
void TestConsole::ApplySizeChange() {
  const InputRecord& head = input.front();
  if (head.eventType == kWindowBufferSizeEvent &&
      (head.size.x != columns || head.size.y != rows))
    Resize(head.size.x, head.size.y);
}

void TestConsole::PushResize(int c, int r) {
  InputRecord event;
  event.eventType = kWindowBufferSizeEvent;
  event.size.x = static_cast<int16_t>(c);
  event.size.y = static_cast<int16_t>(r);
  input.push_back(event);
}

bool TestConsole::PeekInput(InputRecord* record) {
  if (input.empty()) return false;
  ApplySizeChange();
  *record = input.front();
  return true;
}

bool TestConsole::ReadInput(InputRecord* record) {
  if (input.empty()) throw OutOfInput();
  ApplySizeChange();
  *record = input.front();
  input.pop_front();
  return true;
}

bool TestConsole::ReadChar(uint8_t* ch) {
  if (input.empty()) throw OutOfInput();
  *ch = input.front().key.asciiChar;
  input.pop_front();
  return true;
}

int TestConsole::LayoutCharacter(int vk, bool shift) {
  if (vk < '0' || vk > '9') return -1;
  static const char kShifted[] = ")!@#$%^&*(";
  return shift ? kShifted[vk - '0'] : vk;
}

std::string TestConsole::Row(int row) const { return Text(0, row, columns); }

std::string TestConsole::Text(int column, int row, int length) const {
  std::string s;
  for (int i = 0; i < length; ++i) {
    int idx = row * columns + column + i;
    if (idx >= columns * rows) break;
    s += chars[static_cast<size_t>(idx)];
  }
  return s;
}

uint16_t TestConsole::Attr(int column, int row) const {
  return attrs[static_cast<size_t>(row * columns + column)];
}

char TestConsole::Char(int column, int row) const {
  return chars[static_cast<size_t>(row * columns + column)];
}

InputRecord KeyEvent(uint16_t vk, uint8_t ch, uint32_t state) {
  InputRecord r;
  r.eventType = kKeyEvent;
  r.key.keyDown = true;
  r.key.repeatCount = 1;
  r.key.virtualKeyCode = vk;
  r.key.asciiChar = ch;
  r.key.controlKeyState = state;
  return r;
}

void TestConsole::PushKey(uint16_t vk, uint8_t ch, uint32_t state,
                          uint16_t repeat) {
  InputRecord r = KeyEvent(vk, ch, state);
  r.key.repeatCount = repeat;
  input.push_back(r);
}

void TestConsole::PushRelease(uint16_t vk) {
  InputRecord r = KeyEvent(vk);
  r.key.keyDown = false;
  input.push_back(r);
}

std::string TestConsole::ScreenName(const std::string& name) {
  std::string shown = name;
  if (oemNames)
    for (char& c : shown)
      if (c == '\xE9') c = '\x82';
  return shown;
}

void TestConsole::Type(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 'a' && c <= 'z') {
      PushKey(static_cast<uint16_t>(c - 32), c);
    } else if (c >= 'A' && c <= 'Z') {
      PushKey(c, c, kShiftPressed);
    } else if (c >= '0' && c <= '9') {
      PushKey(c, c);
    } else if (c == ' ') {
      PushKey(32, ' ');
    } else if (c == '\r') {
      PushKey(13, 13);
    } else if (c == 27) {
      PushKey(27, 27);
    } else if (c == 8) {
      PushKey(8, 8);
    } else if (c == '.') {
      PushKey(190, '.');
    } else if (c == ':') {
      PushKey(186, ':', kShiftPressed);
    } else if (c == '-') {
      PushKey(189, '-');
    } else if (c == '_') {
      PushKey(189, '_', kShiftPressed);
    } else {
      // Punctuation of the layout: not table-translated, the console's own
      // character is used.
      PushKey(223, c);
    }
  }
}
