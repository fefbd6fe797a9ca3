// In-memory console: a buffer of cells, cursor, attribute and a scripted
// queue of input events, so tests can check exact cells and feed exact keys.
#pragma once

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/console_device.h"

// Thrown when the program waits for a key and the script has none left.
struct OutOfInput : std::runtime_error {
  OutOfInput() : std::runtime_error("test console: no more input") {}
};

class TestConsole : public ConsoleDevice {
 public:
  explicit TestConsole(int columns = 80, int rows = 25);

  // Screen-buffer size and the visible window (top row, height).
  void Resize(int columns, int rows);
  void SetWindow(int top, int height);

  bool GetBufferInfo(BufferInfo* info) override;
  void SetCursorPosition(Coord at) override;
  void SetTextAttribute(uint16_t attribute) override;
  void FillAttribute(uint16_t attribute, int cells, Coord at) override;
  void FillCharacter(char ch, int cells, Coord at) override;
  void WriteCharacters(const char* text, int bytes, Coord at) override;
  void WriteAttributes(const uint16_t* attributes, int cells, Coord at) override;
  void ReadCharacters(char* out, int cells, Coord at) override;
  void ReadAttributes(uint16_t* out, int cells, Coord at) override;
  void GetCursorInfo(CursorInfo* info) override;
  void SetCursorInfo(const CursorInfo& info) override;
  bool WriteOutput(const char* text, int bytes) override;
  bool Utf8Cells() const override { return utf8; }
  bool OutputIsTerminal() const override { return outputTerminal; }
  bool InputIsTerminal() const override { return inputTerminal; }
  bool FollowsWindowSize() const override { return followsWindow; }
  std::string ScreenName(const std::string& name) override;
  uint32_t GetInputMode() override { return inputMode; }
  void SetInputMode(uint32_t mode) override;
  bool WaitForInput() override;
  int NumberOfInputEvents() override;
  bool PeekInput(InputRecord* record) override;
  bool ReadInput(InputRecord* record) override;
  bool ReadChar(uint8_t* ch) override;
  int LayoutCharacter(int virtualKey, bool shift) override;

  // Inspection, in buffer coordinates.
  std::string Row(int row) const;              // all columns of a row
  std::string Text(int column, int row, int length) const;
  uint16_t Attr(int column, int row) const;
  char Char(int column, int row) const;

  // Input script.
  void Push(const InputRecord& record) { input.push_back(record); }
  void PushKey(uint16_t virtualKey, uint8_t ch = 0, uint32_t state = 0,
               uint16_t repeat = 1);
  void PushRelease(uint16_t virtualKey);
  // The window becomes `columns` x `rows` when this event reaches the head
  // of the queue (a terminal's resize; set followsWindow to have it heard).
  void PushResize(int columns, int rows);
  // Letters, digits, blanks and punctuation typed as plain key presses.
  void Type(const std::string& text);

  int columns = 80;
  int rows = 25;
  SmallRect window;
  std::vector<char> chars;
  std::vector<uint16_t> attrs;
  Coord cursor;
  uint16_t attribute = 0x07;
  CursorInfo cursorInfo;
  uint32_t inputMode = 0x1F7;
  std::deque<InputRecord> input;
  std::string output;          // every byte written to standard output
  bool utf8 = false;
  bool followsWindow = false;
  // Names shown as a code page 437 console shows 1252 names: "é" 0xE9 as
  // 0x82 (the Windows console's ScreenName).
  bool oemNames = false;
  bool failOutput = false;
  bool outputTerminal = false;
  bool inputTerminal = true;
  int readCalls = 0;           // ReadCharacters + ReadAttributes
  int writeCalls = 0;          // WriteCharacters + WriteAttributes
  std::vector<uint32_t> modesWhileWaiting;
  // Once the queue is empty the wait reports the end of input (a closed
  // terminal) instead of stopping the test.
  bool inputEnded = false;

 private:
  int Index(Coord at) const { return at.y * columns + at.x; }
  void ApplySizeChange();
  void Put(char ch);
};

// Key events for the common keys.
InputRecord KeyEvent(uint16_t virtualKey, uint8_t ch = 0, uint32_t state = 0);
