#include "crt32/console.h"

#include "fixture.h"

namespace {

using ConsoleOutput = KsTest;

TEST_F(ConsoleOutput, ColourArithmeticKeepsTheOtherHalf) {
  SetBackground(1);
  SetForeground(14);
  EXPECT_EQ(con.attribute, 0x1E);
  con.attribute = 0x07;
  SetForeground(14);
  SetBackground(1);
  EXPECT_EQ(con.attribute, 0x1E);
  // Bits above the colours survive a foreground change but not a background
  // change.
  con.attribute = 0x8071;
  SetForeground(2);
  EXPECT_EQ(con.attribute, 0x8072);
  SetBackground(3);
  EXPECT_EQ(con.attribute, 0x0032);
  SetColourSlot(22);
  EXPECT_EQ(con.attribute, 0x5F);
}

TEST_F(ConsoleOutput, ClearToLineEndFromAnyColumnKeepsTheCursor) {
  con.Type("");
  for (char& c : con.chars) c = 'x';
  con.attribute = 0x1E;
  MoveCursor(0, 3);
  ClearToLineEnd();
  EXPECT_EQ(con.Row(3), std::string(80, ' '));
  EXPECT_EQ(con.Attr(79, 3), 0x1E);
  EXPECT_EQ(con.Row(4), std::string(80, 'x'));
  MoveCursor(79, 5);
  ClearToLineEnd();
  EXPECT_EQ(con.Row(5), std::string(79, 'x') + " ");
  EXPECT_EQ(CursorColumn(), 79);
  EXPECT_EQ(CursorRow(), 5);
}

TEST_F(ConsoleOutput, ClearScreenClearsTheWholeBufferAndHomesTheCursor) {
  con.Resize(80, 300);
  for (char& c : con.chars) c = 'x';
  con.attribute = 0x17;
  MoveCursor(10, 10);
  ClearScreen();
  EXPECT_EQ(con.Row(299), std::string(80, ' '));
  EXPECT_EQ(con.Attr(0, 299), 0x17);
  EXPECT_EQ(CursorColumn(), 0);
  EXPECT_EQ(CursorRow(), 0);
}

TEST_F(ConsoleOutput, WriteAtWrapsAndLeavesCursorAndColours) {
  MoveCursor(3, 3);
  con.attribute = 0x07;
  WriteAt(75, 2, 14, 1, "0123456789");
  EXPECT_EQ(con.Text(75, 2, 5), "01234");
  EXPECT_EQ(con.Text(0, 3, 5), "56789");
  EXPECT_EQ(con.Attr(79, 2), 0x1E);
  EXPECT_EQ(con.Attr(4, 3), 0x1E);
  EXPECT_EQ(con.Attr(5, 3), 0x07);
  EXPECT_EQ(CursorColumn(), 3);
  EXPECT_EQ(con.attribute, 0x07);
  // Nothing is written past the buffer's end.
  WriteAt(78, 24, 15, 1, "abcdef");
  EXPECT_EQ(con.Text(78, 24, 2), "ab");
}

TEST_F(ConsoleOutput, CursorVisibilityKeepsItsSize) {
  con.cursorInfo.size = 42;
  HideCursor();
  EXPECT_FALSE(con.cursorInfo.visible);
  ShowCursor();
  EXPECT_TRUE(con.cursorInfo.visible);
  EXPECT_EQ(con.cursorInfo.size, 42u);
}

// A console keeps history above the window; the screen is the window.
TEST_F(ConsoleOutput, TheScreenIsTheVisibleWindow) {
  con.Resize(80, 9001);
  con.SetWindow(300, 25);
  EXPECT_EQ(ScreenRows(), 25);
  WriteAt(0, 0, 15, 1, "top");
  EXPECT_EQ(con.Text(0, 300, 3), "top");
  MoveCursor(5, 24);
  EXPECT_EQ(con.cursor.y, 324);
  EXPECT_EQ(CursorRow(), 24);
  ClearScreen();
  EXPECT_EQ(con.cursor.y, 300);
}

TEST_F(ConsoleOutput, ScreenRowsIsTheWindowHeight) {
  con.SetWindow(0, 25);
  EXPECT_EQ(ScreenRows(), 25);
  con.Resize(80, 50);
  ResetConsoleLayer();
  EXPECT_EQ(ScreenRows(), 50);
}

TEST_F(ConsoleOutput, PlainLinesShowControlCharactersOnlyOnATerminal) {
  const std::string name = "gone\x1b]0;PWNED\x07\x7f\ta";
  WriteLine("Error changing to " + name + "\r\nYou may need to rescan drives.");
  EXPECT_EQ(con.output, "Error changing to " + name +
                            "\r\nYou may need to rescan drives.\r\n");
  con.output.clear();
  con.outputTerminal = true;
  WriteLine("Error changing to " + name + "\r\nnext\n\r");
  EXPECT_EQ(con.output, "Error changing to gone^[]0;PWNED^G^?^Ia\r\nnext^J^M\r\n");
}

}  // namespace
