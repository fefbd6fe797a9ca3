#include "browser/speed_search.h"

#include <cstdio>
#include <string>
#include <vector>

#include "fixture.h"

namespace {

constexpr int kAltN = -49;

class SpeedSearchTest : public KsTest {
 protected:
  // Drive C with these entries (the root first), cursor on the root.
  void SetTree(const std::vector<std::string>& paths) {
    DriveTree& t = Drive(3);
    t.paths = {""};
    t.depths = {0};
    for (const std::string& p : paths) {
      t.paths.push_back(p);
      int depth = 0;
      for (char c : p) depth += c == '\\';
      t.depths.push_back(depth);
    }
    t.prefixes.assign(t.paths.size(), "");
    t.entryCount = static_cast<int>(paths.size());
    t.rowsUsed = t.entryCount < 24 ? t.entryCount : 23;
    t.currentEntry = 1;
    t.topEntry = 1;
    t.scanned = true;
    t.present = true;
    prog.currentDrive = 3;
  }
  int Current() { return Drive(3).currentEntry; }
};

TEST_F(SpeedSearchTest, TypingNarrowsAndBackspaceWidensWithoutMoving) {
  SetTree({"C:\\", "C:\\APPS", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM",
           "C:\\WORK"});
  SpeedSearchKey('W');
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(con.Text(0, 0, 16), " Speed Search: W");
  EXPECT_EQ(con.Text(49, 0, 18), "Alt-N = Next match");
  EXPECT_EQ(con.Attr(0, 0), 0x5E);   // yellow on magenta
  EXPECT_EQ(con.Attr(15, 0), 0x5F);  // white on magenta
  EXPECT_EQ(con.Attr(16, 0), 0x5E);  // the rest of the row as cleared
  EXPECT_EQ(con.Attr(49, 0), 0x50);  // black on magenta
  EXPECT_EQ(con.Attr(79, 0), 0x5E);

  SpeedSearchKey('O');
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(con.Text(0, 0, 17), " Speed Search: WO");

  SpeedSearchKey(8);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(con.Text(0, 0, 17), " Speed Search: W ");
  EXPECT_EQ(sys.messageBeeps, 0);

  // The last character ends the search altogether.
  SpeedSearchKey(8);
  EXPECT_EQ(prog.searchText, "");
  EXPECT_EQ(Current(), 5);
  SpeedSearchKey(8);  // nothing left to remove
  EXPECT_EQ(sys.messageBeeps, 0);
}

TEST_F(SpeedSearchTest, MatchingFoldsCaseAndNeedsTheNameStart) {
  SetTree({"C:\\", "C:\\APPS", "C:\\games", "C:\\WINDOWS", "C:\\\x84RGER"});
  SpeedSearchKey('g');  // as if tree mode had not upper-cased it
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(prog.searchText, "G");
  EXPECT_EQ(con.Text(15, 0, 1), "G");

  // "IN" is inside WINDOWS but no name begins with it.
  SpeedSearchKey(8);
  SpeedSearchKey('I');
  SpeedSearchKey('N');
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(prog.searchText, "");
  EXPECT_EQ(sys.messageBeeps, 2);

  // Only a-z are folded; other bytes compare as they are.
  SpeedSearchKey(0x84);
  EXPECT_EQ(Current(), 5);
  SpeedSearchKey(8);
  SpeedSearchKey(0x8E);
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(sys.messageBeeps, 3);
}

TEST_F(SpeedSearchTest, NoMatchBeepsAndKeepsTextAndSelection) {
  SetTree({"C:\\", "C:\\WINDOWS", "C:\\WORK"});
  SpeedSearchKey('W');
  SpeedSearchKey('X');
  EXPECT_EQ(sys.messageBeeps, 1);
  EXPECT_GE(sys.sleptMs, 100);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(con.Text(0, 0, 17), " Speed Search: W ");

  // Extended keys other than Alt-N are not the search's business.
  SpeedSearchKey(-72);
  SpeedSearchKey(-45);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(sys.messageBeeps, 1);
}

TEST_F(SpeedSearchTest, AltNMovesOnAndWraps) {
  SetTree({"C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\W32", "C:\\WORK"});
  SpeedSearchKey(kAltN);  // nothing to look for yet
  EXPECT_EQ(sys.messageBeeps, 1);
  EXPECT_EQ(Current(), 1);

  SpeedSearchKey('W');
  EXPECT_EQ(Current(), 2);
  SpeedSearchKey(kAltN);
  EXPECT_EQ(Current(), 3);
  SpeedSearchKey(kAltN);
  EXPECT_EQ(Current(), 4);
  SpeedSearchKey(kAltN);  // past the last match: back from the top
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(prog.searchText, "W");

  // A single match stays where it is, quietly.
  SpeedSearchKey('O');
  EXPECT_EQ(Current(), 4);
  SpeedSearchKey(kAltN);
  EXPECT_EQ(Current(), 4);
  EXPECT_EQ(sys.messageBeeps, 1);
}

TEST_F(SpeedSearchTest, RootIsMatchedByItsWholePath) {
  SetTree({"C:\\", "C:\\CAD", "C:\\WORK"});
  Drive(3).currentEntry = 3;
  SpeedSearchKey('C');
  EXPECT_EQ(Current(), 1);  // wraps to the first name beginning with C
  SpeedSearchKey(':');
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(prog.searchText, "C:");
  SpeedSearchKey('\\');
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(sys.messageBeeps, 0);
}

TEST_F(SpeedSearchTest, ListScrollsOnlyWhenTheMatchIsOffScreen) {
  std::vector<std::string> paths = {"C:\\"};
  for (int i = 2; i <= 60; ++i) {
    char name[16];
    snprintf(name, sizeof name, "C:\\D%02d", i);
    paths.push_back(name);
  }
  paths[9] = "C:\\TOP";      // entry 10
  paths[39] = "C:\\TOE";     // entry 40
  paths[49] = "C:\\TARGET";  // entry 50
  SetTree(paths);

  SpeedSearchKey('T');
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(Drive(3).topEntry, 1);

  SpeedSearchKey('A');
  EXPECT_EQ(Current(), 50);
  EXPECT_EQ(Drive(3).topEntry, 28);  // the match on the list's last row
  EXPECT_EQ(con.Text(0, 23, 6), "TARGET");

  SpeedSearchKey(8);
  SpeedSearchKey(8);
  SpeedSearchKey('T');  // still on TARGET
  EXPECT_EQ(Current(), 50);
  SpeedSearchKey(kAltN);  // wraps above the window
  EXPECT_EQ(Current(), 10);
  EXPECT_EQ(Drive(3).topEntry, 1);
  SpeedSearchKey(kAltN);
  EXPECT_EQ(Current(), 40);
  EXPECT_EQ(Drive(3).topEntry, 18);
  SpeedSearchKey(kAltN);
  EXPECT_EQ(Current(), 50);
  EXPECT_EQ(Drive(3).topEntry, 28);
  EXPECT_EQ(con.Text(0, 1, 3), "D28");
}

TEST_F(SpeedSearchTest, LongTextStaysOnTheTopRow) {
  std::string name(70, 'L');
  SetTree({"C:\\", "C:\\" + name});
  std::string before = con.Row(1);
  for (char c : name) SpeedSearchKey(c);
  EXPECT_EQ(prog.searchText, name);
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(con.Row(1), before);
  EXPECT_EQ(con.Char(79, 0), 'L');
  EXPECT_EQ(con.Text(49, 0, 18), "Alt-N = Next match");
}

}  // namespace
