#include "browser/help.h"

#include <string>

#include "browser/render.h"
#include "fixture.h"

namespace {

constexpr uint16_t kVkShift = 16, kVkF1 = 112;

class HelpTest : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    DriveTree& t = Drive(3);
    t.paths = MakePathList({"", "C:\\", "C:\\WORK"});
    t.depths = {0, 1, 1};
    t.entryCount = t.rowsUsed = t.currentEntry = 2;
    BuildTreePrefixes(3);
    t.scanned = t.present = true;
    prog.currentDrive = 3;
  }
  // The help screen as it stands while it waits for its key.
  void ShowAndStop() { EXPECT_THROW(ShowHelpScreen(), OutOfInput); }
  static std::string Blank(int n) { return std::string(static_cast<size_t>(n), ' '); }
};

TEST_F(HelpTest, ScreenCells) {
  ShowAndStop();
  EXPECT_EQ(con.Row(0), Blank(26) + "Kestrin 95 v1.00" + Blank(38));
  EXPECT_NE(con.Row(1), Blank(80));
  EXPECT_NE(con.Row(2), Blank(80));
  EXPECT_EQ(con.Attr(40, 1), 0x1E);
  EXPECT_EQ(con.Text(9, 4, 22), "Key             Action");
  EXPECT_EQ(con.Attr(9, 4), 0x1F);
  EXPECT_EQ(con.Text(9, 5, 61), std::string(14, '-') + "  " + std::string(45, '-'));
  EXPECT_EQ(con.Text(9, 12, 62),
            "Cursor keys     Navigate tree with \x18 \x19 PageUp PageDn Home End ");
  EXPECT_EQ(con.Text(9, 13, 47), "Ctrl  \x18 \x19       Cursor up/down, same tree level");
  EXPECT_EQ(con.Text(8, 14, 46), " \x1B               Cursor up to parent directory");
  EXPECT_EQ(con.Text(9, 17, 55), "Esc, Alt-X      Exit program without changing directory");
  EXPECT_EQ(con.Row(21), Blank(4) +
            "KS partial_dir_name   ; direct jump (pop-up list for multiple matches)" +
            Blank(6));
  for (int row : {3, 18, 20, 23}) {
    EXPECT_EQ(con.Row(row), Blank(80)) << row;
    EXPECT_EQ(con.Attr(40, row), 0x1E) << row;
  }
  EXPECT_EQ(con.Row(24), Blank(80));
  EXPECT_EQ(con.Attr(0, 24), 0x74);
  EXPECT_EQ(con.Attr(79, 24), 0x74);
}

TEST_F(HelpTest, BarOnTheLastRowOfATallWindow) {
  con.Resize(80, 50);
  con.SetWindow(0, 50);
  prog.ScreenRows = 50;
  ShowAndStop();
  EXPECT_EQ(con.Attr(79, 49), 0x74);
  EXPECT_EQ(con.Attr(0, 24), 0x1E);
  EXPECT_EQ(con.Attr(0, 48), 0x1E);
}

TEST_F(HelpTest, ModifierAloneDoesNotClose) {
  con.PushKey(kVkShift, 0, kShiftPressed);
  con.PushRelease(kVkShift);
  ShowAndStop();
  EXPECT_EQ(con.Text(26, 0, 16), "Kestrin 95 v1.00");
}

TEST_F(HelpTest, ClosingKeyAndPressesQueuedBehindItAreSwallowed) {
  prog.searchText = "W";
  con.PushKey(kVkF1);
  con.Type("ab");
  con.PushRelease('B');
  con.Type("c");
  ShowHelpScreen();
  // F1's scan code and both presses are gone; the release ended the
  // swallowing and went with them.
  ASSERT_EQ(con.input.size(), 1u);
  EXPECT_EQ(con.input.front().key.virtualKeyCode, 'C');
  EXPECT_EQ(Drive(3).currentEntry, 2);
  EXPECT_EQ(prog.searchText, "");
  EXPECT_EQ(con.Text(1, 24, 4), "F1: ");  // the tree is back
  EXPECT_EQ(con.Text(2, 2, 4), "WORK");
}

}  // namespace
