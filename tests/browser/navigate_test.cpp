#include "browser/navigate.h"

#include <random>
#include <string>
#include <vector>

#include "browser/render.h"
#include "crt32/console.h"
#include "fixture.h"
#include "store/load.h"

namespace {

enum : int {
  kTab = 9, kEnter = 13, kEsc = 27, kShiftTab = -15, kF2 = -60, kShiftF2 = -85,
  kHome = -71, kUp = -72, kPgUp = -73, kLeft = -75, kRight = -77, kEnd = -79,
  kDown = -80, kPgDn = -81, kCtrlUp = -141, kCtrlDown = -145,
};

// Scan-file lines of drive `letter` whose entries after the root have the
// given depths (each at most one deeper than the one before).
std::vector<std::string> TreeLines(char letter, const std::vector<int>& depths) {
  std::vector<std::string> lines = {std::string(1, letter) + ":\\*stamp"};
  std::vector<std::string> stack = {std::string(1, letter) + ":"};
  int counter = 0;
  for (int depth : depths) {
    stack.resize(static_cast<size_t>(depth));
    stack.push_back(stack.back() + "\\N" + std::to_string(++counter));
    lines.push_back(stack.back());
  }
  return lines;
}

class Navigation : public KsTest {
 protected:
  void Show(const std::vector<std::string>& lines, int drive) {
    WriteScanFile(lines);
    MarkPresentDrives();
    LoadDriveTrees();
    prog.currentDrive = drive;
    DrawTreeScreen();
  }
  void Key(int key) {
    prog.LastKey = key;
    DispatchKey();
  }
  DriveTree& Cur() { return Drive(prog.currentDrive); }
  void Expect(int s, int t) {
    EXPECT_EQ(Cur().currentEntry, s);
    EXPECT_EQ(Cur().topEntry, t);
  }
  void Select(int s, int t) {
    Cur().currentEntry = s;
    Cur().topEntry = t;
    DrawListWindow(prog.currentDrive);
  }
};

// Root, then A(1) A\B(2) A\B\C(3) A\D(2) E(1) E\F(2) G(1).
const std::vector<int> kSmall = {1, 2, 3, 2, 1, 2, 1};

TEST_F(Navigation, KeysOnTheBoundariesDoNothingAndKeepTheSearch) {
  Show(TreeLines('D', kSmall), 4);
  prog.searchText = "X";
  for (int key : {kUp, kLeft, kCtrlUp}) {
    Key(key);
    Expect(1, 1);
  }
  Select(8, 1);
  for (int key : {kDown, kRight, kCtrlDown}) {
    Key(key);
    Expect(8, 1);
  }
  EXPECT_EQ(prog.searchText, "X");
  Key(kUp);
  Expect(7, 1);
  EXPECT_EQ(prog.searchText, "");
  Select(1, 1);
  Key(kCtrlDown);  // the root has no jump target
  Expect(1, 1);
}

TEST_F(Navigation, LeftGoesToTheParentOrTheRoot) {
  Show(TreeLines('D', kSmall), 4);
  Select(4, 1);  // A\B\C
  Key(kLeft);
  Expect(3, 1);
  Key(kLeft);
  Expect(2, 1);
  Key(kLeft);  // a first-level directory shares the root's depth
  Expect(1, 1);
  Select(8, 1);  // G: no shallower entry above it but the root
  Key(kLeft);
  Expect(1, 1);
  Select(5, 1);  // A\D: its parent is above its sibling's subtree
  Key(kLeft);
  Expect(2, 1);
}

TEST_F(Navigation, CtrlArrowsStayOnOneLevelAcrossParents) {
  Show(TreeLines('D', kSmall), 4);
  Select(6, 1);  // E
  Key(kCtrlUp);
  Expect(2, 1);  // A
  Key(kCtrlUp);  // the first first-level directory: the root is no target
  Expect(2, 1);
  Key(kCtrlDown);
  Expect(6, 1);
  Key(kCtrlDown);
  Expect(8, 1);
  Select(5, 1);  // A\D, last child of A
  Key(kCtrlDown);
  Expect(7, 1);  // E\F
  Select(4, 1);  // A\B\C: nothing else at depth 3
  Key(kCtrlDown);
  Expect(4, 1);
  Key(kCtrlUp);
  Expect(4, 1);
}

TEST_F(Navigation, PagingInTwoStages) {
  Show(TreeLines('D', std::vector<int>(99, 1)), 4);  // 100 entries, 23 rows
  Select(5, 1);
  Key(kPgDn);
  Expect(23, 1);  // to the window's last row, no scroll
  Key(kPgDn);
  Expect(46, 24);  // scrolled by a window, still on the last row
  Key(kPgDn);
  Key(kPgDn);
  Key(kPgDn);
  Expect(100, 78);
  Key(kPgUp);
  Expect(78, 78);
  Key(kPgUp);
  Expect(55, 55);
  Select(10, 5);
  Key(kPgUp);
  Expect(5, 5);
  Key(kPgUp);
  Expect(1, 1);
  Key(kEnd);
  Expect(100, 78);
  Key(kHome);
  Expect(1, 1);
  Select(77, 60);
  Key(kPgDn);
  Expect(82, 60);
  Key(kPgDn);
  Expect(100, 78);

  // A list shorter than the window pages to its ends.
  Show(TreeLines('D', kSmall), 4);
  Select(3, 1);
  Key(kPgDn);
  Expect(8, 1);
  Key(kPgDn);
  Expect(8, 1);
  Key(kPgUp);
  Expect(1, 1);
  Key(kEnd);
  Expect(8, 1);
}

TEST_F(Navigation, ScrollingKeysKeepTheSelectionOnTheWindowEdge) {
  Show(TreeLines('D', std::vector<int>(99, 1)), 4);
  Select(23, 1);
  Key(kDown);
  Expect(24, 2);
  Select(40, 40);
  Key(kUp);
  Expect(39, 39);
  Select(40, 40);
  Key(kLeft);
  Expect(1, 1);
  Select(30, 8);
  Key(kCtrlDown);
  Expect(31, 9);
  Select(40, 40);
  Key(kCtrlUp);
  Expect(39, 39);
}

TEST_F(Navigation, CursorMoveWithinTheWindowRedrawsOnlyItsRows) {
  sys.SetDrive('D');
  Show(TreeLines('D', std::vector<int>(99, 1)), 4);
  // Marks on rows the move does not touch must survive it.
  con.chars[static_cast<size_t>(10 * 80 + 70)] = '#';
  con.chars[static_cast<size_t>(0 * 80 + 60)] = '#';
  Select(5, 1);
  con.chars[static_cast<size_t>(10 * 80 + 70)] = '#';
  DrawStatusLine();
  DrawCursorBar(true);
  DrawCursorBar(false);
  Key(kDown);
  DrawStatusLine();
  DrawCursorBar(true);
  EXPECT_EQ(con.Char(70, 10), '#');
  EXPECT_EQ(con.Text(2, 6, 3), "N5 ");
  EXPECT_EQ(con.Attr(2, 6), 0x5F);
  EXPECT_EQ(con.Attr(2, 5), 0x1F);
  EXPECT_EQ(con.Text(12, 24, 7), "D:\\N5  ");
  // A scroll redraws the window.
  Select(23, 1);
  con.chars[static_cast<size_t>(10 * 80 + 70)] = '#';
  Key(kDown);
  EXPECT_EQ(con.Char(70, 10), ' ');
  EXPECT_EQ(con.Text(0, 1, 4), "\xC3\xC4N1");
}

TEST_F(Navigation, TabCyclesThroughDrivesWithEntries) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  std::vector<std::string> lines = TreeLines('D', kSmall);
  for (const std::string& l : TreeLines('K', {1})) lines.push_back(l);
  Show(lines, 4);
  Select(3, 1);
  Key(kTab);
  EXPECT_EQ(prog.currentDrive, 11);
  Key(kTab);
  EXPECT_EQ(prog.currentDrive, 3);
  Key(kShiftTab);
  EXPECT_EQ(prog.currentDrive, 11);
  Key(kShiftTab);
  EXPECT_EQ(prog.currentDrive, 4);
  Expect(3, 1);  // each drive keeps its own position
  EXPECT_EQ(con.Text(0, 0, 3), "CDk");
  EXPECT_EQ(con.Attr(1, 0), 0x60);

  sys.driveTypes[3] = kDriveNoRootDir;
  Show(TreeLines('D', kSmall), 4);
  prog.searchText = "N";
  Key(kTab);
  EXPECT_EQ(prog.currentDrive, 4);
  EXPECT_EQ(prog.searchText, "");
}

TEST_F(Navigation, EnterEscAndTheScannerFilter) {
  sys.SetDrive('D');
  std::vector<std::string> lines = TreeLines('D', kSmall);
  for (const std::string& l : TreeLines('E', {1})) lines.push_back(l);
  Show(lines, 4);
  Key(kEnter);
  EXPECT_EQ(prog.LastKey, kEnter);
  Key(kEsc);
  EXPECT_EQ(prog.LastKey, kEsc);
  prog.searchText = "N";
  Key(kEsc);
  EXPECT_EQ(prog.LastKey, 0);
  EXPECT_EQ(prog.searchText, "");

  prog.currentDrive = 5;  // E is scanned but absent
  prog.searchText = "N";
  Key(kEnter);
  EXPECT_EQ(prog.LastKey, 0);
  EXPECT_EQ(prog.searchText, "");

  con.Type("\x1b\x1b");  // leave both drive prompts
  Key(kShiftF2);
  EXPECT_EQ(scanner.scanAttributes, 63);
  Key(kF2);
  EXPECT_EQ(scanner.scanAttributes, 16);
}

// Random keys over drives of many shapes and window heights: the selection
// stays inside the window and the list, and the screen matches the state.
TEST_F(Navigation, RandomKeysKeepTheWindowInvariant) {
  std::mt19937 rng(12345);
  const int keys[] = {kUp, kDown, kRight, kLeft, kCtrlUp, kCtrlDown, kPgUp,
                      kPgDn, kHome, kEnd, kTab, kShiftTab};
  for (int rows : {25, 6, 50}) {
    con.Resize(80, rows);
    con.SetWindow(0, rows);
    ResetConsoleLayer();
    prog.ScreenRows = rows;
    std::vector<std::string> lines;
    int letter = 'A';
    for (int n : {1, 2, rows - 3, rows - 2, rows - 1, rows, 100, 1500}) {
      std::vector<int> depths;
      int depth = 1;
      for (int i = 2; i <= n; ++i) {
        depth = std::uniform_int_distribution<int>(1, depth + 1)(rng);
        depths.push_back(depth);
      }
      for (const std::string& l : TreeLines(static_cast<char>(letter++), depths)) lines.push_back(l);
    }
    prog.anchorDrive = 7;
    prog.startupDirectory = "G:\\N50";
    Show(lines, 7);
    for (int i = 0; i < 4000; ++i) {
      int key = keys[std::uniform_int_distribution<int>(0, 11)(rng)];
      Key(key);
      const DriveTree& t = Cur();
      const int n = t.entryCount, s = t.currentEntry, top = t.topEntry, w = t.rowsUsed;
      ASSERT_TRUE(1 <= top && top <= s && s <= top + w - 1 && top + w - 1 <= n)
          << "rows " << rows << " key " << key << " drive " << prog.currentDrive
          << " N " << n << " S " << s << " T " << top << " W " << w;
      if (i % 16 == 0) {
        std::vector<std::string> shown;
        for (int r = 1; r <= rows - 2; ++r) shown.push_back(con.Row(r));
        DrawListWindow(prog.currentDrive);
        for (int r = 1; r <= rows - 2; ++r)
          ASSERT_EQ(shown[static_cast<size_t>(r) - 1], con.Row(r)) << "row " << r << " after key " << key;
      }
    }
  }
}

}  // namespace
