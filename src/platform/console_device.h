// The console device seam: the screen-buffer and input calls the console
// layer needs, shaped after the Windows console so that the layer above is
// written once.  Implementations: console_win32.cpp, console_posix.cpp and
// the in-memory TestConsole.
#pragma once

#include <cstdint>
#include <string>

struct Coord {
  int16_t x = 0;
  int16_t y = 0;
};

struct SmallRect {
  int16_t left = 0, top = 0, right = 0, bottom = 0;
};

struct BufferInfo {
  Coord size;            // buffer columns and rows
  Coord cursor;          // cursor, in buffer cells
  uint16_t attributes = 0x07;
  SmallRect window;      // visible window, in buffer cells (inclusive)
};

struct CursorInfo {
  uint32_t size = 25;
  bool visible = true;
};

// Input event types, as the Windows console numbers them.
enum : uint16_t {
  kKeyEvent = 0x0001,
  kMouseEvent = 0x0002,
  kWindowBufferSizeEvent = 0x0004,
  kMenuEvent = 0x0008,
  kFocusEvent = 0x0010,
};

// Control-key state bits of a key event.
enum : uint32_t {
  kRightAltPressed = 0x0001,
  kLeftAltPressed = 0x0002,
  kRightCtrlPressed = 0x0004,
  kLeftCtrlPressed = 0x0008,
  kShiftPressed = 0x0010,
  kNumLockOn = 0x0020,
  kScrollLockOn = 0x0040,
  kCapsLockOn = 0x0080,
  kEnhancedKey = 0x0100,
};

// Console input modes the key reader touches.
enum : uint32_t {
  kEnableProcessedInput = 0x0001,
  kEnableLineInput = 0x0002,
  kEnableEchoInput = 0x0004,
  kEnableWindowInput = 0x0008,
  kEnableMouseInput = 0x0010,
};

struct KeyEventRecord {
  bool keyDown = true;
  uint16_t repeatCount = 1;
  uint16_t virtualKeyCode = 0;
  uint16_t virtualScanCode = 0;
  uint8_t asciiChar = 0;
  uint32_t controlKeyState = 0;
};

struct InputRecord {
  uint16_t eventType = kKeyEvent;
  KeyEventRecord key;  // meaningful for kKeyEvent only
  Coord size;          // kWindowBufferSizeEvent: the new buffer size
};

class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;

  // Screen buffer.  Coordinates are buffer cells.  Text is bytes; on a
  // device whose cells hold UTF-8 (Utf8Cells) a valid UTF-8 sequence is one
  // character in one or two cells and `n` still counts bytes.
  virtual bool GetBufferInfo(BufferInfo* info) = 0;
  virtual void SetCursorPosition(Coord at) = 0;
  virtual void SetTextAttribute(uint16_t attribute) = 0;
  virtual void FillAttribute(uint16_t attribute, int cells, Coord at) = 0;
  virtual void FillCharacter(char ch, int cells, Coord at) = 0;
  virtual void WriteCharacters(const char* text, int bytes, Coord at) = 0;
  virtual void WriteAttributes(const uint16_t* attributes, int cells,
                               Coord at) = 0;
  virtual void ReadCharacters(char* out, int cells, Coord at) = 0;
  virtual void ReadAttributes(uint16_t* out, int cells, Coord at) = 0;
  virtual void GetCursorInfo(CursorInfo* info) = 0;
  virtual void SetCursorInfo(const CursorInfo& info) = 0;

  // The standard output stream: processed output at the cursor in the
  // current attribute.  Returns false when the write failed.
  virtual bool WriteOutput(const char* text, int bytes) = 0;

  // True when standard output is a terminal (or console) that would act on
  // control characters in plain lines rather than show them.
  virtual bool OutputIsTerminal() const { return false; }
  // True when keys can be read from a terminal (or console) at all.
  virtual bool InputIsTerminal() const { return true; }

  // True when cells hold UTF-8 characters (POSIX terminals); false when one
  // byte is one cell (Windows console, code page 437).
  virtual bool Utf8Cells() const { return false; }

  // True when the buffer is always the window and follows its size (a
  // terminal): screens are laid out in its width, text never wraps onto the
  // next row, and a size change arrives as a kWindowBufferSizeEvent.  False
  // for the Windows console, whose screens keep their 80 columns.
  virtual bool FollowsWindowSize() const { return false; }

  // A name or path as the file system and the scan file spell it, in the
  // bytes this console shows it by (on Windows the ANSI code page's name in
  // the console's output code page).  One character stays one character.
  virtual std::string ScreenName(const std::string& name) { return name; }

  // Input.
  virtual uint32_t GetInputMode() = 0;
  virtual void SetInputMode(uint32_t mode) = 0;
  // Blocks until an event is queued; false once input has ended and no
  // event will ever come.
  virtual bool WaitForInput() = 0;
  virtual int NumberOfInputEvents() = 0;    // -1 when the query failed
  virtual bool PeekInput(InputRecord* record) = 0;
  virtual bool ReadInput(InputRecord* record) = 0;
  // ReadConsoleA of one character: removes the key event at the head of the
  // queue and returns the console's own translation of it.
  virtual bool ReadChar(uint8_t* ch) = 0;
  // The active layout's character for a digit-row key (ToAscii, then
  // CharToOemBuffA), or -1 when the layout yields none.
  virtual int LayoutCharacter(int virtualKey, bool shift) = 0;

  // Gives the terminal back in its normal state; called at every end of the
  // process.  Safe to call more than once.
  virtual void Shutdown() {}
};

// The device the program draws on; set once at start-up (or by a test).
extern ConsoleDevice* theConsole;
