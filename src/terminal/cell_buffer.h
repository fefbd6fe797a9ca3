// A console screen buffer kept in memory for a terminal: what each cell
// holds and in which attribute, changed the way the Windows console's fill,
// write and processed-output calls change it.  The terminal backend renders
// the rows it marks dirty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/console_device.h"
#include "text/text_cells.h"

struct Cell {
  enum Kind : uint8_t {
    kByte,      // one byte, shown as its code page 437 glyph (ASCII as itself)
    kChar,      // a multi-byte UTF-8 character one cell wide
    kWide,      // the first cell of a double-width UTF-8 character
    kWideTail,  // the second cell of one
  };
  std::string text = " ";  // the bytes (empty for a tail)
  uint16_t attr = 0x07;
  Kind kind = kByte;
};

class CellBuffer {
 public:
  CellBuffer(int columns = 80, int rows = 25) { Resize(columns, rows); }
  void Resize(int columns, int rows);

  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  const Cell& At(int column, int row) const {
    return cells_[static_cast<size_t>(row * columns_ + column)];
  }

  // The console's fill, write and read calls: `cells` cells from `at`,
  // running on into the next rows and stopping at the buffer's end.
  // Coordinates outside the buffer do nothing.
  void FillAttribute(uint16_t attr, int cells, Coord at);
  void FillCharacter(char ch, int cells, Coord at);
  // `bytes` of UTF-8 cell text (see NextTextChar).
  void WriteCharacters(const char* text, int bytes, Coord at);
  void WriteAttributes(const uint16_t* attrs, int cells, Coord at);
  // One byte per cell: a UTF-8 character reads as its code page 437 byte,
  // or '?' when it has none; the second half of a wide one reads as a blank.
  void ReadCharacters(char* out, int cells, Coord at) const;
  void ReadAttributes(uint16_t* out, int cells, Coord at) const;

  // Processed output at `cursor` in `attr`: CR, LF, BS, tab stops, wrapping
  // at the row's end and scrolling at the buffer's end.  Without `wrap`,
  // text past the row's end is dropped while the cursor counts on past it,
  // so that a backspace comes back to the right place.
  void Output(const char* text, int bytes, Coord* cursor, uint16_t attr,
              bool wrap = true);

  // True while every cell is a blank in light grey on black, as the buffer
  // starts: the screen the user had before the program drew.
  bool Blank() const;

  // Rows changed since the last TakeDirty (and whether any).
  bool AnyDirty() const { return anyDirty_; }
  std::vector<bool> TakeDirty();
  void MarkAllDirty();

 private:
  int Index(Coord at) const { return at.y * columns_ + at.x; }
  bool Inside(Coord at) const {
    return at.x >= 0 && at.y >= 0 && at.x < columns_ && at.y < rows_;
  }
  void Dirty(int index);
  // The indices [start, end) of `cells` cells from `at`, cut at the buffer's
  // end; none when `at` is outside.
  struct Span {
    int start = 0, end = 0;
  };
  Span SpanAt(Coord at, int cells) const;
  // Marks the row only when the attribute changes.
  void SetAttribute(int index, uint16_t attr);
  // Puts one cell's content (attribute kept), breaking up a wide character
  // it lands on half of.
  void Put(int index, Cell::Kind kind, const char* bytes, int size);
  void ScrollUp(uint16_t attr);

  // Where processed output stands and how it writes.
  struct Pen {
    int x = 0, y = 0;
    uint16_t attr = 0;
    bool wrap = true;
  };
  void NewLine(Pen* pen);
  void PutAtPen(const Pen& pen, Cell::Kind kind, const char* bytes, int size);
  void OutputControl(char c, Pen* pen);
  void OutputChar(const char* bytes, TextChar tc, Pen* pen);

  int columns_ = 0;
  int rows_ = 0;
  std::vector<Cell> cells_;
  std::vector<bool> dirty_;
  bool anyDirty_ = false;
};

// Console attribute colour (bit 0 blue, 1 green, 2 red, 3 bright) to the
// terminal's ANSI colour number (bit 0 red, 2 blue).
int AnsiColour(int consoleColour);

// Standard output before the program draws: console line ends become the
// terminal's. A CR that ends one write waits to see if the next starts LF.
struct PlainOutput {
  bool pendingCr = false;
  std::string Convert(const char* text, int bytes);
  std::string Finish();  // what is still held back
};
