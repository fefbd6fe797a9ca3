#include "browser/render.h"

#include <string>
#include <vector>

#include "crt32/console.h"
#include "fixture.h"
#include "store/load.h"

namespace {

uint16_t SlotAttr(int slot) {
  return static_cast<uint16_t>(kSlotBackground[slot] * 16 + kSlotForeground[slot]);
}

class Rendering : public KsTest {
 protected:
  void Load(const std::vector<std::string>& lines) {
    WriteScanFile(lines);
    MarkPresentDrives();
    LoadDriveTrees();
  }
  // Every cell of row `row` from `from` to `to` (inclusive) has `slot`'s colours.
  void ExpectSlot(int row, int from, int to, int slot) {
    for (int c = from; c <= to; ++c)
      ASSERT_EQ(con.Attr(c, row), SlotAttr(slot)) << "column " << c << " row " << row;
  }
};

TEST_F(Rendering, PrefixesFollowTheTree) {
  Load({"D:\\*", "D:\\A", "D:\\A\\X", "D:\\A\\Y", "D:\\A\\Y\\Z", "D:\\B"});
  const std::vector<std::string> p = PrefixesOf(4);
  ASSERT_EQ(p.size(), 7u);
  EXPECT_EQ(p[1], "");
  EXPECT_EQ(p[2], "\xC3\xC4");
  EXPECT_EQ(p[3], "\xB3 \xC3\xC4");
  EXPECT_EQ(p[4], "\xB3 \xC0\xC4");
  EXPECT_EQ(p[5], "\xB3   \xC0\xC4");
  EXPECT_EQ(p[6], "\xC0\xC4");
}

TEST_F(Rendering, PrefixesHoldAtAnyDepth) {
  // A chain 300 levels deep with a sibling pair at level 25 whose line must
  // pass a child, and a first-level sibling after it all.
  std::vector<std::string> lines = {"D:\\*", "D:\\A"};
  std::string path = "D:\\A";
  for (int level = 2; level <= 300; ++level) {
    path += "\\L";
    lines.push_back(path);
    if (level == 25) {
      lines.push_back(path + "\\C");
      lines.push_back(path.substr(0, path.size() - 1) + "M");
    }
  }
  lines.push_back("D:\\B");
  Load(lines);
  const DriveTree& d = Drive(4);
  const std::vector<std::string> prefixes = PrefixesOf(4);
  const std::string& last = prefixes[static_cast<size_t>(d.entryCount) - 1];
  ASSERT_EQ(last.size(), 600u);
  EXPECT_EQ(last.substr(0, 2), "\xB3 ");
  EXPECT_EQ(last.substr(2, 596), std::string(596, ' '));
  EXPECT_EQ(last.substr(598), "\xC0\xC4");
  // The child between the level-25 siblings: level 25 continues past it.
  int child = 0;
  for (int e = 1; e <= d.entryCount; ++e)
    if (d.depths[static_cast<size_t>(e)] == 26 && EntryName(d.paths[static_cast<size_t>(e)]) == "C") child = e;
  ASSERT_NE(child, 0);
  const std::string& cp = prefixes[static_cast<size_t>(child)];
  EXPECT_EQ(cp.substr(48, 2), "\xB3 ");
  EXPECT_EQ(cp.substr(50), "\xC0\xC4");
  EXPECT_EQ(prefixes[static_cast<size_t>(child) - 1].substr(48), "\xC3\xC4");
}

TEST_F(Rendering, PrefixesOfAnyWindowMatchTheWholeTreeBuiltAtOnce) {
  // Random trees, some deep enough that the saved flags span several bytes
  // and the mark interval grows; every window must match a build of all
  // prefixes from the bottom up.
  unsigned seed = 7;
  auto next = [&seed](unsigned n) { seed = seed * 1103515245u + 12345u; return (seed >> 16) % n; };
  for (int round = 0; round < 6; ++round) {
    const int entries = round < 3 ? 700 + round * 300 : 3000;
    const int maxJump = round == 5 ? 1500 : 14;
    std::vector<std::string> lines = {"D:\\*"};
    std::vector<uint16_t> depths = {0, 1};
    std::string path = "D:";
    int depth = 0;
    for (int e = 2; e <= entries; ++e) {
      int target = 1 + static_cast<int>(next(static_cast<unsigned>(std::min(depth + 1, maxJump) + 1)));
      if (round == 5 && e % 500 == 2) target = depth + 1 + static_cast<int>(next(1200));
      while (depth >= target) { path.erase(path.rfind('\\')); --depth; }
      while (depth < target) { path += "\\n" + std::to_string(e % 10); ++depth; }
      lines.push_back(path);
      depths.push_back(static_cast<uint16_t>(depth));
    }
    Load(lines);
    ASSERT_EQ(Drive(4).entryCount, entries);
    // The reference: one pass from the bottom, flags for every level.
    std::vector<std::string> want(static_cast<size_t>(entries) + 1);
    std::vector<bool> flags(65536, false);
    for (int i = entries; i >= 2; --i) {
      int level = depths[static_cast<size_t>(i)];
      std::string& p = want[static_cast<size_t>(i)];
      for (int k = 1; k < level; ++k) p += flags[static_cast<size_t>(k)] ? "\xB3 " : "  ";
      p += flags[static_cast<size_t>(level)] ? "\xC3\xC4" : "\xC0\xC4";
      flags[static_cast<size_t>(level)] = level <= depths[static_cast<size_t>(i) - 1];
    }
    std::vector<std::string> got;
    for (int i = 1; i <= entries; ++i)  // the cursor bar's single row
      ASSERT_EQ(TreePrefix(4, i), want[static_cast<size_t>(i)]) << "round " << round << " entry " << i;
    for (int first : {1, 2, 234, 235, 490, 491, entries - 30, entries - 23}) {
      BuildPrefixRange(4, first, first + 22, &got);
      for (int i = first; i <= std::min(first + 22, entries); ++i)
        ASSERT_EQ(got[static_cast<size_t>(i - first)], want[static_cast<size_t>(i)])
            << "round " << round << " entry " << i;
    }
    EXPECT_EQ(PrefixesOf(4), want) << "round " << round;
  }
}

TEST_F(Rendering, LongCountsMoveLeftToEndInTheLastColumn) {
  DriveTree& t = Drive(3);
  t.present = t.scanned = true;
  t.rowsUsed = 0;  // nothing to draw in the list: only the count matters
  prog.currentDrive = 3;
  for (int count : {12345, 123456, 1000000}) {
    t.entryCount = count;
    DrawTreeScreen();
    const std::string text = std::to_string(count) + " dirs";
    const int column = count < 100000 ? 69 : 80 - static_cast<int>(text.size());
    EXPECT_EQ(con.Text(column, 0, static_cast<int>(text.size())), text);
    ExpectSlot(0, column, column + static_cast<int>(text.size()) - 1, 14);
  }
}

TEST_F(Rendering, DriveLineShowsLettersTitleAndCount) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  Load({"D:\\*s", "D:\\A", "D:\\B", "F:\\*s", "G:\\*s", "G:\\ONE"});
  prog.currentDrive = 4;
  DrawTreeScreen();
  EXPECT_EQ(con.Text(0, 0, 4), "CDfg");
  EXPECT_EQ(con.Attr(0, 0), SlotAttr(10));
  EXPECT_EQ(con.Attr(1, 0), SlotAttr(12));
  EXPECT_EQ(con.Attr(2, 0), SlotAttr(11));
  EXPECT_EQ(con.Text(26, 0, 16), "Kestrin 95 v1.00");
  ExpectSlot(0, 4, 68, 9);
  EXPECT_EQ(con.Text(69, 0, 11), "3 dirs     ");
  ExpectSlot(0, 69, 74, 14);
  ExpectSlot(0, 75, 79, 9);

  prog.currentDrive = 6;
  DrawTreeScreen();
  EXPECT_EQ(con.Attr(2, 0), SlotAttr(13));
  EXPECT_EQ(con.Text(69, 0, 6), "1 dir ");
  prog.currentDrive = 3;
  DrawTreeScreen();
  EXPECT_EQ(con.Text(69, 0, 6), "? dirs");

  EXPECT_EQ(con.Text(0, 24, 12), " F1: Help \xB3 ");
  ExpectSlot(24, 0, 4, 20);
  ExpectSlot(24, 5, 79, 21);
}

TEST_F(Rendering, ListWindowAndCursorBarColours) {
  sys.SetDrive('D');
  Load({"D:\\*s", "D:\\APPS", "D:\\APPS\\EDIT", "D:\\TEMP", "E:\\*s", "E:\\X"});
  prog.startupDirectory = "D:\\APPS\\EDIT";
  prog.currentDrive = 4;
  DrawTreeScreen();
  EXPECT_EQ(con.Row(1), "D:\\" + std::string(77, ' '));
  ExpectSlot(1, 0, 79, 16);
  EXPECT_EQ(con.Row(3), "\xB3 \xC0\xC4" "EDIT" + std::string(72, ' '));
  ExpectSlot(3, 0, 3, 15);
  ExpectSlot(3, 4, 79, 18);
  ExpectSlot(4, 2, 79, 16);
  for (int r = 5; r <= 23; ++r) {
    EXPECT_EQ(con.Row(r), std::string(80, ' '));
    ExpectSlot(r, 0, 79, 15);
  }
  // The bar covers the name only.
  Drive(4).currentEntry = 3;
  DrawCursorBar(true);
  ExpectSlot(3, 0, 3, 15);
  ExpectSlot(3, 4, 7, 19);
  ExpectSlot(3, 8, 79, 18);
  Drive(4).currentEntry = 2;
  DrawCursorBar(true);
  ExpectSlot(2, 2, 5, 17);
  DrawCursorBar(false);
  ExpectSlot(2, 2, 79, 16);

  // An absent drive's names are grey; the start-up directory stays yellow
  // only on an exact match.
  prog.startupDirectory = "e:\\x";
  prog.currentDrive = 5;
  DrawTreeScreen();
  ExpectSlot(2, 2, 79, 29);
  Drive(5).currentEntry = 2;
  DrawCursorBar(true);
  ExpectSlot(2, 2, 2, 30);
}

TEST_F(Rendering, StatusLineNotes) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  Load({"D:\\*01.02.2026", "D:\\APPS", "E:\\*05.06.2025 7:08:09", "E:\\X"});
  prog.currentDrive = 4;
  DrawTreeScreen();
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 68), "D:\\ (Scanned 01.02.2026)" + std::string(44, ' '));
  ExpectSlot(24, 12, 14, 21);
  ExpectSlot(24, 15, 79, 20);
  Drive(4).currentEntry = 2;
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 68), "D:\\APPS" + std::string(61, ' '));
  ExpectSlot(24, 12, 18, 21);
  ExpectSlot(24, 19, 79, 20);

  prog.currentDrive = 5;
  DrawTreeScreen();
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 68),
            "E:\\ (Scanned 05.06.2025 7:08:09) (Currently not available)" + std::string(10, ' '));
  prog.currentDrive = 3;
  DrawTreeScreen();
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 68), "C: (This drive has not been scanned)" + std::string(32, ' '));
  EXPECT_EQ(con.Row(1).substr(0, 3), "C: ");
}

TEST_F(Rendering, LongTextIsCutAtColumn80AndNeverWraps) {
  // A taller buffer than the window shows anything written past the
  // window's last row.
  con.Resize(80, 40);
  con.SetWindow(0, 25);
  const std::string longName(100, 'N');
  std::string deep = "D:";
  for (int i = 0; i < 45; ++i) deep += "\\d";
  Load({"D:\\*" + std::string(99, 's'), "D:\\" + longName, deep, "D:\\" + std::string(70, 'P')});
  prog.currentDrive = 4;
  DrawTreeScreen();
  EXPECT_EQ(con.Row(2), "\xC3\xC4" + std::string(78, 'N'));
  EXPECT_EQ(con.Row(3).substr(0, 2), "\xB3 ");
  EXPECT_EQ(con.Text(0, 25, 80), std::string(80, ' '));
  for (int e = 1; e <= 4; ++e) {
    Drive(4).currentEntry = e;
    DrawCursorBar(true);
    DrawStatusLine();
    DrawCursorBar(false);
    EXPECT_EQ(con.Text(0, 25, 80), std::string(80, ' ')) << "entry " << e;
  }
  EXPECT_EQ(con.Char(79, 2), 'N');
  EXPECT_EQ(con.Text(0, 4, 80), "\xC0\xC4" + std::string(70, 'P') + std::string(8, ' '));
}

TEST_F(Rendering, ADriveWithoutEntriesIsNeverShown) {
  Load({"K:\\*", "M:\\*"});
  prog.currentDrive = 4;
  DrawTreeScreen();
  EXPECT_EQ(prog.currentDrive, 11);
}

}  // namespace
