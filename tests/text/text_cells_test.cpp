#include "text/text_cells.h"

#include "fixture.h"

namespace {

using TextCellsTest = KsTest;

TEST_F(TextCellsTest, Utf8CharactersAndLoneBytesByTheirCells) {
  con.utf8 = true;
  EXPECT_EQ(TextCells("WORK"), 4);
  EXPECT_EQ(TextCells("Gr\xC3\xBC\xC3\x9F" "e"), 5);                 // Grüße
  EXPECT_EQ(TextCells("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), 6);     // 日本語
  EXPECT_EQ(TextCells("cafe\xCC\x81"), 4);                             // decomposed é
  EXPECT_EQ(TextCells("\xCC\x81x"), 2);       // a mark with no base has a cell
  EXPECT_EQ(TextCells("\xF0\x9F\x98\x80"), 2);  // emoji
  // Tree prefixes and other code page 437 bytes: one cell each.
  EXPECT_EQ(TextCells("\xB3  \xC3\xC4\xC4 "), 7);
  // Not UTF-8: truncated, overlong, surrogate, C1 control, past U+10FFFF.
  EXPECT_EQ(TextCells("\xE6\x97"), 2);
  EXPECT_EQ(TextCells("\xC0\x80"), 2);
  EXPECT_EQ(TextCells("\xED\xA0\x80"), 3);
  EXPECT_EQ(TextCells("\xC2\x85"), 2);
  EXPECT_EQ(TextCells("\xF4\x90\x80\x80"), 4);
  EXPECT_EQ(TextCells(std::string("a\0b", 3)), 3);
}

TEST_F(TextCellsTest, FrameCornersAfterLinesStayGlyphs) {
  con.utf8 = true;
  // "═╗" and "═╝" are valid UTF-8 by accident; a frame must stay a frame.
  EXPECT_EQ(TextCells("\xC9\xCD\xCD\xBB"), 4);
  EXPECT_EQ(TextCells("\xC8\xCD\xBC"), 3);
  EXPECT_EQ(TextCells("\xDA\xC4\xC4\xBF"), 4);   // ┌──┐
  // A letter of a name is still a letter: Poľana.
  EXPECT_EQ(TextCells("Po\xC4\xBE" "ana"), 6);
  TextChar tc = NextTextChar("\xCD\xBB", 2, 0);
  EXPECT_FALSE(tc.utf8);
  EXPECT_EQ(tc.code, 0x2550u);
}

TEST_F(TextCellsTest, CutsNeverSplitACharacter) {
  con.utf8 = true;
  const std::string wide = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
  EXPECT_EQ(CutToCells(wide, 3), "\xE6\x97\xA5");   // no half of 本
  EXPECT_EQ(CutToCells(wide, 4), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(CutToCells(wide, 1), "");
  EXPECT_EQ(CutToCells("Gr\xC3\xBC\xC3\x9F" "e", 3), "Gr\xC3\xBC");
  EXPECT_EQ(CutToCells("cafe\xCC\x81!", 4), "cafe\xCC\x81");  // mark kept
  EXPECT_EQ(CutToCells("\xC3\xC4\xC4 x", 2), "\xC3\xC4");
  EXPECT_EQ(CutToCells("abc", 0), "");
  EXPECT_EQ(CutToCells("abc", -1), "");
  EXPECT_EQ(CutToCells("abc", 10), "abc");
}

TEST_F(TextCellsTest, ByteCellsOnTheWindowsConsole) {
  con.utf8 = false;
  EXPECT_EQ(TextCells("Gr\xC3\xBC\xC3\x9F" "e"), 7);
  EXPECT_EQ(CutToCells("\xE6\x97\xA5\xE6", 2), "\xE6\x97");
}

TEST(Cp437, EveryByteHasAGlyphThatMapsBack) {
  EXPECT_EQ(Cp437Glyph(0xB3), 0x2502u);
  EXPECT_EQ(Cp437Glyph(0xC9), 0x2554u);
  EXPECT_EQ(Cp437Glyph(0x18), 0x2191u);
  EXPECT_EQ(Cp437Glyph(0x1B), 0x2190u);
  EXPECT_EQ(Cp437Glyph(0x82), 0x00E9u);
  EXPECT_EQ(Cp437Glyph('A'), static_cast<uint32_t>('A'));
  for (int b = 1; b < 256; ++b)
    EXPECT_EQ(Cp437Byte(Cp437Glyph(static_cast<uint8_t>(b))), b) << b;
  EXPECT_EQ(Cp437Byte(0x65E5), -1);
}

TEST(CodePointCellsTest, WideZeroAndNarrow) {
  EXPECT_EQ(CodePointCells(0x0301), 0);
  EXPECT_EQ(CodePointCells(0x200D), 0);
  EXPECT_EQ(CodePointCells(0x4E00), 2);
  EXPECT_EQ(CodePointCells(0xAC00), 2);
  EXPECT_EQ(CodePointCells(0xFF21), 2);
  EXPECT_EQ(CodePointCells(0x303F), 1);
  EXPECT_EQ(CodePointCells(0x2500), 1);
  EXPECT_EQ(CodePointCells(0x00E9), 1);
}

}  // namespace
