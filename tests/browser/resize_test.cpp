// Tree mode in a terminal that changes size, and in narrow and wide ones.
#include <string>
#include <vector>

#include "browser/help.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "fixture.h"
#include "shell/shell.h"
#include "store/load.h"

namespace {

constexpr uint16_t kVkDelete = 0x2E, kVkF1 = 0x70;

class Resize : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    sys.SetDrive('D');
    std::vector<std::string> lines = {"D:\\*01.12.2026"};
    for (int i = 1; i <= 40; ++i) lines.push_back("D:\\DIR" + std::to_string(100 + i));
    lines.push_back("D:\\DIR140\\SUB");
    lines.push_back("D:\\" + std::string(70, 'L'));
    lines.push_back(deep.substr(0, 43));
    lines.push_back(deep.substr(0, 84));
    lines.push_back(deep);
    for (const std::string& l : lines)
      if (l.size() > 3 && l[3] != '*') sys.AddDir(l);
    WriteScanFile(lines);
  }
  // Tree mode in a terminal of `columns` x `rows`, started in `dir`, run
  // until it waits for a key the script does not hold.
  void Run(int columns, int rows, const std::string& dir, bool terminal = true) {
    con.Resize(columns, rows);
    con.followsWindow = terminal;
    prog.ScreenRows = rows;
    prog.ScreenColumns = LayoutColumns();
    sys.cwd = prog.startupDirectory = dir;
    MarkPresentDrives();
    EXPECT_THROW(RunTreeMode(), OutOfInput);
  }
  uint16_t Attr(int slot) const {
    return static_cast<uint16_t>(kSlotBackground[slot] * 16 + kSlotForeground[slot]);
  }
  std::string Status(const std::string& path, int columns) const {
    std::string s = " F1: Help \xB3 " + path;
    return s + std::string(static_cast<size_t>(columns) - s.size(), ' ');
  }
  const std::string deep = "D:\\" + std::string(40, 'P') + "\\" + std::string(40, 'Q') + "\\TARGET";
};

TEST_F(Resize, TreeFollowsTheWindowWithTheSelectionInView) {
  // Grown: the status row moves down and the list fills from the top.
  con.PushResize(100, 40);
  Run(80, 25, "D:\\DIR130");
  EXPECT_EQ(con.Row(39), Status("D:\\DIR130", 100));
  EXPECT_EQ(Drive(4).topEntry, 9);  // 46 entries in 38 rows
  EXPECT_EQ(con.Text(2, 23, 6), "DIR130");
  EXPECT_EQ(con.Attr(2, 23), Attr(19));
  EXPECT_EQ(con.Attr(99, 1), Attr(16));
  EXPECT_EQ(con.Text(69, 0, 7), "46 dirs");

  // Shrunk below the selection: the selection is on the last list row.
  con.PushResize(60, 10);
  Run(80, 25, "D:\\DIR130");
  EXPECT_EQ(con.Row(9), Status("D:\\DIR130", 60));
  EXPECT_EQ(con.Text(2, 8, 6), "DIR130");
  EXPECT_EQ(con.Attr(2, 8), Attr(19));
  EXPECT_EQ(con.Row(0).substr(53), "46 dirs");
}

TEST_F(Resize, TheWindowsConsoleKeepsItsLayout) {
  con.PushResize(100, 40);
  con.PushKey(0x28, 0, kEnhancedKey);  // Down
  Run(80, 25, "D:\\DIR130", false);
  EXPECT_EQ(prog.ScreenRows, 25);
  EXPECT_EQ(con.Text(12, 24, 9), "D:\\DIR131");
  EXPECT_EQ(con.Attr(0, 39), 0x07);
}

TEST_F(Resize, NamesAndPathUseTheWidthAndNeverWrap) {
  // 60 columns: the status path keeps its root and its end; the long name
  // stops at the edge.  120 columns: both whole.
  Run(60, 25, deep);
  const int row = 43 - Drive(4).topEntry + 1;  // the long name's
  EXPECT_EQ(con.Row(24), " F1: Help \xB3 D:\\.." + deep.substr(deep.size() - 43));
  EXPECT_EQ(con.Text(0, row, 60), "\xC3\xC4" + std::string(58, 'L'));

  Run(120, 25, deep);
  EXPECT_EQ(con.Row(24), Status(deep, 120));
  EXPECT_EQ(con.Text(0, row, 74), "\xC3\xC4" + std::string(70, 'L') + "  ");
  EXPECT_EQ(con.Text(69, 0, 7), "46 dirs");
}

TEST_F(Resize, PromptIsDrawnAgainAndStillAnswers) {
  con.PushKey(kVkDelete, 0, kEnhancedKey);
  con.PushResize(60, 10);
  Run(80, 25, "D:\\DIR130");
  EXPECT_EQ(con.Text(0, 9, 38), " Delete DIR130 from scan file (y/n) ? ");
  EXPECT_EQ(con.Text(2, 8, 6), "DIR130");

  con.PushKey(kVkDelete, 0, kEnhancedKey);
  con.PushResize(60, 10);
  con.Type("y");
  Run(80, 25, "D:\\DIR130");
  EXPECT_EQ(Drive(4).entryCount, 45);
}

TEST_F(Resize, HelpIsDrawnAgainAndAResizeBehindItsKeyReachesTheTree) {
  con.PushKey(kVkF1, 0);
  con.PushResize(60, 15);
  Run(80, 25, "D:\\DIR130");
  // Packed into 60 x 15, moved left and cut at the edge.
  EXPECT_EQ(con.Text(0, 9, 11), "Cursor keys");
  EXPECT_EQ(con.Text(57, 9, 3), " En");
  EXPECT_EQ(con.Row(14), std::string(60, ' '));
  EXPECT_EQ(con.Attr(59, 14), Attr(20));

  con.PushKey(kVkF1, 0);
  con.PushKey(kVkF1, 0);
  con.PushResize(70, 12);
  Run(80, 25, "D:\\DIR130");
  EXPECT_EQ(con.Row(11), Status("D:\\DIR130", 70));
}

TEST_F(Resize, APolledResizeComesAfterTheKeysTypedBehindIt) {
  // As a scan polls for Esc: the size change is not a key, is not lost, and
  // does not hide the Esc behind it.
  con.followsWindow = true;
  con.PushResize(60, 10);
  con.PushKey(0x1B, 27);
  EXPECT_FALSE(KeyWaiting());
  EXPECT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyChar(), 27);
  EXPECT_FALSE(KeyWaiting());
  EXPECT_EQ(ReadKeyCode(true), kKeyResize);
}

}  // namespace
