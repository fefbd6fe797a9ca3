#include "terminal/cell_buffer.h"

#include <gtest/gtest.h>

#include "text/text_cells.h"

namespace {

Coord At(int x, int y) {
  Coord c;
  c.x = static_cast<int16_t>(x);
  c.y = static_cast<int16_t>(y);
  return c;
}

// The bytes a row reads back as, one per cell.
std::string Row(const CellBuffer& b, int row) {
  std::string s(static_cast<size_t>(b.Columns()), ' ');
  b.ReadCharacters(&s[0], b.Columns(), At(0, row));
  return s;
}

void Write(CellBuffer& b, const std::string& text, int x, int y) {
  b.WriteCharacters(text.data(), static_cast<int>(text.size()), At(x, y));
}

TEST(CellBufferTest, WritesRunOnToTheNextRowAndStopAtTheEnd) {
  CellBuffer b(10, 3);
  Write(b, "0123456789", 5, 0);
  EXPECT_EQ(Row(b, 0), "     01234");
  EXPECT_EQ(Row(b, 1), "56789     ");
  Write(b, "abcdefgh", 6, 2);
  EXPECT_EQ(Row(b, 2), "      abcd");
  b.FillAttribute(0x1E, 100, At(8, 2));
  char ch[3];
  uint16_t attrs[3];
  b.ReadAttributes(attrs, 3, At(8, 2));
  EXPECT_EQ(attrs[1], 0x1E);
  EXPECT_EQ(attrs[2], 0);  // past the end
  // Outside the buffer nothing happens.
  Write(b, "x", 10, 0);
  Write(b, "x", 0, -1);
  b.FillCharacter('x', 5, At(0, 3));
  b.ReadCharacters(ch, 3, At(7, 2));
  EXPECT_EQ(std::string(ch, 3), "bcd");
  EXPECT_EQ(Row(b, 0), "     01234");
}

TEST(CellBufferTest, CellsTakenMatchTextCells) {
  const std::string texts[] = {
      "\xB3  \xC3\xC4\xC4 Gr\xC3\xBC\xC3\x9F" "e",
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E-x",
      "cafe\xCC\x81\xC9\xCD\xBB",
      "\xF0\x9F\x98\x80\xE6",
  };
  for (const std::string& t : texts) {
    CellBuffer b(40, 2);
    b.FillCharacter('#', 80, At(0, 0));
    Write(b, t, 3, 0);
    int end = 3 + Utf8TextCells(t);
    EXPECT_EQ(b.At(end, 0).text, "#") << t;
    EXPECT_NE(b.At(end - 1, 0).text, "#") << t;
  }
}

TEST(CellBufferTest, WideCharactersNeverLeaveHalfACell) {
  CellBuffer b(6, 2);
  const std::string ri = "\xE6\x97\xA5";  // 日
  Write(b, "ab" + ri + ri, 0, 0);
  EXPECT_EQ(b.At(2, 0).kind, Cell::kWide);
  EXPECT_EQ(b.At(3, 0).kind, Cell::kWideTail);
  // Writing over either half blanks the other one.
  Write(b, "x", 3, 0);
  EXPECT_EQ(b.At(2, 0).text, " ");
  EXPECT_EQ(b.At(2, 0).kind, Cell::kByte);
  b.FillCharacter('y', 1, At(4, 0));
  EXPECT_EQ(b.At(5, 0).text, " ");
  EXPECT_EQ(b.At(5, 0).kind, Cell::kByte);
  // No room at the row's end: two blanks, and the text after it is where
  // its width says.
  Write(b, ri + "z", 5, 0);
  EXPECT_EQ(b.At(5, 0).text, " ");
  EXPECT_EQ(b.At(0, 1).text, " ");
  EXPECT_EQ(b.At(1, 1).text, "z");
}

TEST(CellBufferTest, ReadsBackCodePage437Bytes) {
  CellBuffer b(20, 1);
  const std::string frame = "\xC9\xCD\xBB\xB3\xC3\xC4\x18\x1B";
  Write(b, frame, 0, 0);
  Write(b, "\xC3\xA9\xE6\x97\xA5\xCC\x81", 10, 0);  // é, 日 with a mark
  Write(b, "\xCC\x81", 14, 0);                       // a mark alone
  std::string row = Row(b, 0);
  EXPECT_EQ(row.substr(0, frame.size()), frame);
  EXPECT_EQ(row.substr(10, 5), "\x82?  ?");
  EXPECT_EQ(Cp437Glyph(static_cast<uint8_t>(row[1])), 0x2550u);
}

TEST(CellBufferTest, ProcessedOutputWrapsAndScrolls) {
  CellBuffer b(5, 3);
  Coord cursor = At(3, 0);
  std::string text = "abcd\r\nxy\bz";
  b.Output(text.data(), static_cast<int>(text.size()), &cursor, 0x1E);
  EXPECT_EQ(Row(b, 0), "   ab");
  EXPECT_EQ(Row(b, 1), "cd   ");
  EXPECT_EQ(Row(b, 2), "xz   ");
  EXPECT_EQ(b.At(1, 2).attr, 0x1E);
  EXPECT_EQ(b.At(2, 2).attr, 0x07);
  EXPECT_EQ(cursor.x, 2);
  // At the bottom a line end scrolls; a tab runs to the row's end and wraps.
  b.Output("\n\tq", 3, &cursor, 0x1E);
  EXPECT_EQ(Row(b, 0), "xz   ");
  EXPECT_EQ(Row(b, 1), "     ");
  EXPECT_EQ(Row(b, 2), "q    ");
  EXPECT_EQ(b.At(4, 2).attr, 0x1E);
  EXPECT_EQ(cursor.x, 1);
  EXPECT_EQ(cursor.y, 2);
  // A wide character does not split across rows.
  Coord end = At(4, 0);
  b.Output("\xE6\x97\xA5", 3, &end, 0x07);
  EXPECT_EQ(b.At(0, 1).kind, Cell::kWide);
  EXPECT_EQ(end.x, 2);
}

TEST(CellBufferTest, OnlyRealChangesAreDirty) {
  CellBuffer b(10, 4);
  b.TakeDirty();
  EXPECT_TRUE(b.Blank());
  b.FillCharacter(' ', 40, At(0, 0));
  b.FillAttribute(0x07, 40, At(0, 0));
  Write(b, "   ", 0, 0);
  EXPECT_FALSE(b.AnyDirty());
  Write(b, "x", 0, 2);
  b.FillAttribute(0x17, 1, At(9, 3));
  std::vector<bool> dirty = b.TakeDirty();
  EXPECT_EQ(dirty, (std::vector<bool>{false, false, true, true}));
  EXPECT_FALSE(b.Blank());
  Write(b, " ", 0, 2);
  EXPECT_FALSE(b.Blank());
  b.FillAttribute(0x07, 1, At(9, 3));
  EXPECT_TRUE(b.Blank());
}

TEST(CellBufferTest, ConsoleColoursToTerminalColours) {
  EXPECT_EQ(AnsiColour(0), 0);
  EXPECT_EQ(AnsiColour(1), 4);    // blue
  EXPECT_EQ(AnsiColour(4), 1);    // red
  EXPECT_EQ(AnsiColour(3), 6);    // cyan
  EXPECT_EQ(AnsiColour(6), 3);    // brown
  EXPECT_EQ(AnsiColour(14), 11);  // yellow
  EXPECT_EQ(AnsiColour(9), 12);   // light blue
  EXPECT_EQ(AnsiColour(15), 15);
}

TEST(PlainOutputTest, ConsoleLineEndsBecomeNewlines) {
  PlainOutput p;
  EXPECT_EQ(p.Convert("a\r\nb\r\n", 6), "a\nb\n");
  EXPECT_EQ(p.Convert("\n", 1), "\n");
  EXPECT_EQ(p.Convert("50%\r", 4), "50%");
  EXPECT_EQ(p.Convert("60%", 3), "\r60%");
  EXPECT_EQ(p.Convert("\r", 1), "");
  EXPECT_EQ(p.Finish(), "\r");
  EXPECT_EQ(p.Finish(), "");
}

TEST(CellBufferTest, OutputWithoutWrapStaysOnItsRow) {
  // A prompt longer than a narrow row: the rest is dropped, nothing scrolls,
  // and a backspace after it comes back to where the text would be.
  CellBuffer b(6, 2);
  Coord cursor = At(2, 1);
  b.Output("abcdef", 6, &cursor, 0x07, false);
  EXPECT_EQ(Row(b, 0), "      ");
  EXPECT_EQ(Row(b, 1), "  abcd");
  EXPECT_EQ(cursor.x, 8);
  b.Output("\b\b\b \b", 5, &cursor, 0x07, false);
  EXPECT_EQ(Row(b, 1), "  abc ");
  EXPECT_EQ(cursor.x, 5);
}

}  // namespace
