#include "cmdline_support.h"

namespace {

using Chooser = CmdlineTest;

std::string Name(int n) {
  return "C:\\WIN" + std::string(n < 10 ? "0" : "") + std::to_string(n);
}

TEST_F(Chooser, BoxFrameTitleAndLegend) {
  SetUpDrives({"C:\\*", "C:\\WIN", "C:\\WIN1", "C:\\WIN2"});
  Press("DDD\r");  // the third Down, on the last candidate, does nothing
  EXPECT_EQ(Run("win"), -1);
  EXPECT_EQ(sys.cwd, "C:\\WIN2");
  EXPECT_EQ(prog.ExitCode, 1);
  EXPECT_EQ(con.Text(5, 4, 70), " \xC9" + std::string(66, '\xCD') + "\xBB ");
  EXPECT_EQ(con.Text(5, 17, 3) + con.Text(72, 19, 3), " \xCC\xCD\xCD\xBC ");
  EXPECT_EQ(con.Text(11, 5, 16), "Kestrin 95 v1.00");
  EXPECT_EQ(con.Attr(11, 5), 0x1E);
  EXPECT_EQ(con.Text(5, 18, 70),
            " \xBA Cursor: \x18 \x19  Select: Enter  Quit: Esc" +
                std::string(28, ' ').replace(2, 8, "Exact: 1").replace(14, 10, "Partial: 2") +
                "\xBA ");
  EXPECT_EQ(con.Attr(47, 18) + con.Attr(59, 18) * 256, 0x1B1A);
  for (int row = 10; row <= 16; ++row)
    EXPECT_EQ(con.Text(5, row, 70), " \xBA" + std::string(66, ' ') + "\xBA ") << row;
  EXPECT_EQ(con.Attr(5, 4), 0x17);
  EXPECT_TRUE(con.cursorInfo.visible);
  EXPECT_EQ(con.attribute, 0x07);
}

TEST_F(Chooser, KeysMoveTheBarThenPage) {
  std::vector<std::string> lines = {"C:\\*"};
  for (int n = 1; n <= 25; ++n) lines.push_back(Name(n));
  SetUpDrives(lines);
  struct Case { std::string keys; int selected; int top; };
  const Case cases[] = {
      {"n", 10, 1}, {"nn", 20, 11}, {"nnn", 25, 16},
      {"E", 25, 16}, {"Ep", 16, 16}, {"Epp", 6, 6}, {"EppH", 1, 1},
      {"Up", 1, 1}, {"DDDDDDDDDD", 11, 2}, {"DDDDDDDDDDUUUUUUUUUU", 1, 1},
  };
  for (const Case& c : cases) {
    Press(c.keys + "\r");
    EXPECT_EQ(Run("win"), -1);
    EXPECT_EQ(sys.cwd, Name(c.selected)) << c.keys;
    EXPECT_EQ(Inner(7).substr(0, 9), " " + Name(c.top)) << c.keys;
    EXPECT_EQ(Inner(16).substr(0, 9), " " + Name(c.top + 9)) << c.keys;
  }
}

TEST_F(Chooser, LongPathsAreShortenedInsideTheBox) {
  const std::string seventy = "C:\\" + std::string(56, 'P') + "\\WINDOWS123";
  const std::string longName = "C:\\XX\\AWIN" + std::string(70, 'Q');
  SetUpDrives({"C:\\*", seventy, "C:\\WINDOWS123", longName});
  EXPECT_THROW(Run("*windows123"), OutOfInput);  // bar stays on the first
  EXPECT_EQ(Inner(7), " " + seventy.substr(0, 52) + "..WINDOWS123 ");
  EXPECT_EQ(con.Attr(61, 7), 0x5F);  // the bar's colours
  EXPECT_EQ(con.Attr(62, 7), 0x5A);
  // Not even the matched name fits: both ends are cut.
  EXPECT_THROW(Run("*win"), OutOfInput);
  ASSERT_EQ(Inner(9), " ..WIN" + std::string(57, 'Q') + ".. ");
  EXPECT_EQ(con.Attr(10, 9), 0x1B);
  EXPECT_EQ(con.Char(73, 9), '\xBA');
}

TEST_F(Chooser, ShorteningCountsCellsNotBytes) {
  con.utf8 = true;
  std::string umlauts;
  for (int i = 0; i < 40; ++i) umlauts += "\xC3\x84";  // 40 cells, 80 bytes
  const std::string path = "C:\\" + umlauts + "\\WIN";
  SetUpDrives({"C:\\*", path, "C:\\WIN"});
  Press("\x1b");
  EXPECT_EQ(Run("win"), -1);
  // 3 + 40 + 1 + 3 = 47 cells: shown whole, the name 44 cells in.
  EXPECT_EQ(con.Attr(8 + 43, 7), 0x1F);
  EXPECT_EQ(con.Attr(8 + 44, 7), 0x1A);
  EXPECT_EQ(con.Attr(8 + 47, 7), 0x1F);
  EXPECT_EQ(con.Attr(73, 7), 0x17);
}

}  // namespace

namespace {

TEST_F(Chooser, FollowsTheTerminalKeepingTheSelection) {
  std::vector<std::string> lines = {"C:\\*"};
  for (int n = 1; n <= 25; ++n) lines.push_back(Name(n));
  SetUpDrives(lines);
  con.followsWindow = true;
  // The tenth candidate, then a 60 x 15 terminal: nine candidate rows from
  // row 3, the tenth on the last of them; the box's right border at 58.
  Press("DDDDDDDDD");
  con.PushResize(60, 15);
  Press("\r");
  EXPECT_EQ(Run("win"), -1);
  EXPECT_EQ(sys.cwd, Name(10));
  EXPECT_EQ(con.Text(0, 0, 3) + con.Text(58, 0, 2), " \xC9\xCD\xBB ");
  EXPECT_EQ(con.Text(1, 11, 10), "\xBA " + Name(10));
  EXPECT_EQ(con.Text(1, 13, 58),
            "\xBA Select: Enter  Quit: Esc" + std::string(9, ' ') +
                "Exact: 0  Partial: 25 \xBA");
  EXPECT_EQ(con.Text(0, 14, 3), " \xC8\xCD");
}

}  // namespace
