#include "terminal/cell_buffer.h"

#include <algorithm>

#include "text/text_cells.h"

void CellBuffer::Resize(int columns, int rows) {
  columns_ = std::max(1, columns);
  rows_ = std::max(1, rows);
  cells_.assign(static_cast<size_t>(columns_ * rows_), Cell());
  dirty_.assign(static_cast<size_t>(rows_), true);
  anyDirty_ = true;
}

void CellBuffer::Dirty(int index) {
  dirty_[static_cast<size_t>(index / columns_)] = true;
  anyDirty_ = true;
}

void CellBuffer::MarkAllDirty() {
  std::fill(dirty_.begin(), dirty_.end(), true);
  anyDirty_ = true;
}

std::vector<bool> CellBuffer::TakeDirty() {
  std::vector<bool> taken(static_cast<size_t>(rows_), false);
  taken.swap(dirty_);
  anyDirty_ = false;
  return taken;
}

void CellBuffer::Put(int index, Cell::Kind kind, const char* bytes, int size) {
  Cell& cell = cells_[static_cast<size_t>(index)];
  if (cell.kind == kind && cell.text.size() == static_cast<size_t>(size) &&
      cell.text.compare(0, cell.text.size(), bytes, cell.text.size()) == 0)
    return;
  // Half a wide character cannot stay on screen: its other half goes blank.
  if (cell.kind == Cell::kWide && index + 1 < static_cast<int>(cells_.size())) {
    Cell& tail = cells_[static_cast<size_t>(index + 1)];
    if (tail.kind == Cell::kWideTail) {
      tail.kind = Cell::kByte;
      tail.text = " ";
      Dirty(index + 1);
    }
  } else if (cell.kind == Cell::kWideTail && kind != Cell::kWideTail &&
             index > 0) {
    Cell& head = cells_[static_cast<size_t>(index - 1)];
    if (head.kind == Cell::kWide) {
      head.kind = Cell::kByte;
      head.text = " ";
      Dirty(index - 1);
    }
  }
  cell.kind = kind;
  cell.text.assign(bytes, static_cast<size_t>(size));
  Dirty(index);
}

CellBuffer::Span CellBuffer::SpanAt(Coord at, int cells) const {
  Span span;
  if (!Inside(at)) return span;
  span.start = Index(at);
  span.end = std::min(span.start + std::max(cells, 0), columns_ * rows_);
  return span;
}

void CellBuffer::SetAttribute(int index, uint16_t attr) {
  Cell& cell = cells_[static_cast<size_t>(index)];
  if (cell.attr == attr) return;
  cell.attr = attr;
  Dirty(index);
}

void CellBuffer::FillAttribute(uint16_t attr, int cells, Coord at) {
  Span span = SpanAt(at, cells);
  for (int i = span.start; i < span.end; ++i) SetAttribute(i, attr);
}

void CellBuffer::WriteAttributes(const uint16_t* attrs, int cells, Coord at) {
  Span span = SpanAt(at, cells);
  for (int i = span.start; i < span.end; ++i) SetAttribute(i, attrs[i - span.start]);
}

void CellBuffer::FillCharacter(char ch, int cells, Coord at) {
  Span span = SpanAt(at, cells);
  for (int i = span.start; i < span.end; ++i) Put(i, Cell::kByte, &ch, 1);
}

void CellBuffer::WriteCharacters(const char* text, int bytes, Coord at) {
  if (!Inside(at) || bytes <= 0) return;
  int index = Index(at);
  int end = columns_ * rows_;
  size_t size = static_cast<size_t>(bytes);
  for (size_t pos = 0; pos < size && index < end;) {
    TextChar tc = NextTextChar(text, size, pos);
    const char* b = text + pos;
    pos += static_cast<size_t>(tc.bytes);
    if (tc.cells == 2) {
      if (index % columns_ == columns_ - 1) {
        // It does not fit at the row's end: two blank cells keep every
        // following cell where the text's width says it is.
        Put(index, Cell::kByte, " ", 1);
        if (index + 1 < end) Put(index + 1, Cell::kByte, " ", 1);
      } else {
        Put(index, Cell::kWide, b, tc.bytes);
        Put(index + 1, Cell::kWideTail, "", 0);
      }
      index += 2;
    } else {
      Put(index, tc.bytes > 1 ? Cell::kChar : Cell::kByte, b, tc.bytes);
      index += 1;
    }
  }
}

void CellBuffer::ReadCharacters(char* out, int cells, Coord at) const {
  int start = Inside(at) ? Index(at) : columns_ * rows_;
  for (int i = 0; i < cells; ++i) {
    int index = start + i;
    if (index >= columns_ * rows_) {
      out[i] = ' ';
      continue;
    }
    const Cell& cell = cells_[static_cast<size_t>(index)];
    if (cell.kind == Cell::kWideTail) {
      out[i] = ' ';
    } else if (cell.kind == Cell::kByte || cell.text.size() == 1) {
      out[i] = cell.text.empty() ? ' ' : cell.text[0];
    } else {
      TextChar tc = NextTextChar(cell.text.data(), cell.text.size(), 0);
      int b = Cp437Byte(tc.code);
      bool single = tc.bytes == static_cast<int>(cell.text.size()) &&
                    CodePointCells(tc.code) != 0;
      // A lone mark's cell or a character beyond code page 437 has no byte.
      out[i] = (b >= 0x80 && single && tc.cells == 1) ? static_cast<char>(b)
                                                       : '?';
    }
  }
}

void CellBuffer::ReadAttributes(uint16_t* out, int cells, Coord at) const {
  int start = Inside(at) ? Index(at) : columns_ * rows_;
  for (int i = 0; i < cells; ++i) {
    int index = start + i;
    out[i] = index < columns_ * rows_ ? cells_[static_cast<size_t>(index)].attr
                                      : 0;
  }
}

void CellBuffer::ScrollUp(uint16_t attr) {
  std::rotate(cells_.begin(), cells_.begin() + columns_, cells_.end());
  for (auto it = cells_.end() - columns_; it != cells_.end(); ++it) {
    *it = Cell();
    it->attr = attr;
  }
  MarkAllDirty();
}

void CellBuffer::NewLine(Pen* pen) {
  pen->x = 0;
  if (++pen->y >= rows_) {
    pen->y = rows_ - 1;
    ScrollUp(pen->attr);
  }
}

void CellBuffer::PutAtPen(const Pen& pen, Cell::Kind kind, const char* b,
                          int n) {
  if (pen.x >= columns_) return;
  int i = pen.y * columns_ + pen.x;
  Put(i, kind, b, n);
  SetAttribute(i, pen.attr);
}

void CellBuffer::OutputControl(char c, Pen* pen) {
  if (c == '\r') {
    pen->x = 0;
  } else if (c == '\n') {
    NewLine(pen);
  } else if (c == '\b') {
    if (pen->x > 0) --pen->x;
  } else if (c == '\t') {
    do {
      PutAtPen(*pen, Cell::kByte, " ", 1);
      if (++pen->x >= columns_ && pen->wrap) {
        NewLine(pen);
        break;
      }
    } while (pen->x % 8 != 0);
  }
}

void CellBuffer::OutputChar(const char* b, TextChar tc, Pen* pen) {
  if (tc.cells == 2) {
    if (pen->x == columns_ - 1) {
      PutAtPen(*pen, Cell::kByte, " ", 1);
      if (!pen->wrap) {
        pen->x += 2;
        return;
      }
      NewLine(pen);
    }
    PutAtPen(*pen, Cell::kWide, b, tc.bytes);
    ++pen->x;
    PutAtPen(*pen, Cell::kWideTail, "", 0);
  } else {
    PutAtPen(*pen, tc.bytes > 1 ? Cell::kChar : Cell::kByte, b, tc.bytes);
  }
  if (++pen->x >= columns_ && pen->wrap) NewLine(pen);
}

void CellBuffer::Output(const char* text, int bytes, Coord* cursor,
                        uint16_t attr, bool wrap) {
  Pen pen;
  pen.x = std::max<int>(cursor->x, 0);
  if (wrap) pen.x = std::min(pen.x, columns_ - 1);
  pen.y = std::min<int>(std::max<int>(cursor->y, 0), rows_ - 1);
  pen.attr = attr;
  pen.wrap = wrap;
  size_t size = bytes > 0 ? static_cast<size_t>(bytes) : 0;
  for (size_t pos = 0; pos < size;) {
    char c = text[pos];
    if (c == '\r' || c == '\n' || c == '\b' || c == '\a' || c == '\t') {
      ++pos;
      OutputControl(c, &pen);
      continue;
    }
    TextChar tc = NextTextChar(text, size, pos);
    OutputChar(text + pos, tc, &pen);
    pos += static_cast<size_t>(tc.bytes);
  }
  cursor->x = static_cast<int16_t>(std::min(pen.x, 30000));
  cursor->y = static_cast<int16_t>(pen.y);
}

bool CellBuffer::Blank() const {
  for (const Cell& cell : cells_) {
    if (cell.attr != 0x07 || cell.text != " " || cell.kind == Cell::kWide)
      return false;
  }
  return true;
}

int AnsiColour(int c) {
  return (c & 0x0A) | ((c & 1) << 2) | ((c & 4) >> 2);
}

std::string PlainOutput::Convert(const char* text, int bytes) {
  std::string out;
  out.reserve(static_cast<size_t>(std::max(bytes, 0)) + 1);
  for (int i = 0; i < bytes; ++i) {
    char c = text[i];
    if (pendingCr) {
      pendingCr = false;
      if (c == '\n') {
        out += '\n';
        continue;
      }
      out += '\r';
    }
    if (c == '\r')
      pendingCr = true;
    else
      out += c;
  }
  return out;
}

std::string PlainOutput::Finish() {
  std::string out = pendingCr ? "\r" : "";
  pendingCr = false;
  return out;
}
