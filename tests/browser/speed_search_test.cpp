#include "browser/speed_search.h"

#include <string>
#include <vector>

#include "browser/render.h"
#include "fixture.h"

namespace {

constexpr int kAltN = -49, kBackspace = 8;

class SpeedSearchTest : public KsTest {
 protected:
  // Drive C with these entries (the root first), cursor on the root.
  void SetTree(const std::vector<std::string>& paths) {
    DriveTree& t = Drive(3);
    t.paths = PathList();
    for (const std::string& p : paths) t.paths.Append(p);
    t.depths.assign(t.paths.size(), 1);
    t.entryCount = static_cast<int>(paths.size());
    BuildTreePrefixes(3);
    t.rowsUsed = t.entryCount < 24 ? t.entryCount : 23;
    t.scanned = t.present = true;
    prog.currentDrive = 3;
  }
  int Current() { return Drive(3).currentEntry; }
};

TEST_F(SpeedSearchTest, TypingNarrowsAndBackspaceWidensWithoutMoving) {
  SetTree({"C:\\", "C:\\APPS", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WORK"});
  SpeedSearchKey('w');  // lower case matches and shows as upper case
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(con.Text(0, 0, 16), " Speed Search: W");
  EXPECT_EQ(con.Text(49, 0, 18), "Alt-N = Next match");
  EXPECT_EQ(con.Attr(0, 0), 0x5E);   // yellow on magenta, the whole row
  EXPECT_EQ(con.Attr(79, 0), 0x5E);
  EXPECT_EQ(con.Attr(15, 0), 0x5F);  // white on magenta
  EXPECT_EQ(con.Attr(49, 0), 0x50);  // black on magenta

  SpeedSearchKey('O');
  EXPECT_EQ(Current(), 5);
  SpeedSearchKey(kBackspace);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(con.Text(0, 0, 17), " Speed Search: W ");
  SpeedSearchKey(kBackspace);  // the last character ends the search
  EXPECT_EQ(prog.searchText, "");
  SpeedSearchKey(kBackspace);
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(sys.messageBeeps, 0);
}

TEST_F(SpeedSearchTest, FailedSearchesBeepAndChangeNothing) {
  SetTree({"C:\\", "C:\\WINDOWS", "C:\\WORK"});
  SpeedSearchKey(kAltN);  // nothing to look for yet
  SpeedSearchKey('I');    // "IN" is inside WINDOWS, not at its start
  SpeedSearchKey('N');
  EXPECT_EQ(sys.messageBeeps, 3);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(prog.searchText, "");

  SpeedSearchKey('W');
  SpeedSearchKey('X');
  SpeedSearchKey(-72);  // other extended keys are not the search's business
  EXPECT_EQ(sys.messageBeeps, 4);
  EXPECT_EQ(prog.searchText, "W");
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(con.Text(0, 0, 17), " Speed Search: W ");
}

TEST_F(SpeedSearchTest, AltNWrapsAndTheRootMatchesByItsPath) {
  SetTree({"C:\\", "C:\\CAD", "C:\\WINDOWS", "C:\\WINDOWS\\W32", "C:\\WORK"});
  SpeedSearchKey('W');
  for (int expected : {4, 5, 3}) {  // past the last match: back from the top
    SpeedSearchKey(kAltN);
    EXPECT_EQ(Current(), expected);
  }
  SpeedSearchKey('O');
  SpeedSearchKey(kAltN);  // a single match stays, quietly
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(sys.messageBeeps, 0);

  SpeedSearchKey(kBackspace);
  SpeedSearchKey(kBackspace);
  SpeedSearchKey('C');  // wraps to the root, the first name beginning with C
  SpeedSearchKey(':');
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(prog.searchText, "C:");
}

TEST_F(SpeedSearchTest, ListScrollsOnlyWhenTheMatchIsOffScreen) {
  std::vector<std::string> paths = {"C:\\"};
  for (int i = 2; i <= 60; ++i) paths.push_back("C:\\D" + std::to_string(i));
  paths[9] = "C:\\TOP";      // entry 10
  paths[39] = "C:\\TOE";     // entry 40
  paths[49] = "C:\\TARGET";  // entry 50
  SetTree(paths);
  SpeedSearchKey('T');
  EXPECT_EQ(Drive(3).topEntry, 1);
  SpeedSearchKey('A');
  EXPECT_EQ(Current(), 50);
  EXPECT_EQ(Drive(3).topEntry, 28);  // the match on the list's last row
  EXPECT_EQ(con.Text(2, 23, 6), "TARGET");  // after the branch piece
  EXPECT_EQ(con.Text(2, 1, 3), "D28");

  SpeedSearchKey(kBackspace);
  SpeedSearchKey(kBackspace);
  SpeedSearchKey('T');  // stays on TARGET
  for (int expected : {10, 40, 50}) {
    SpeedSearchKey(kAltN);
    EXPECT_EQ(Current(), expected);
    EXPECT_EQ(Drive(3).topEntry, expected == 10 ? 1 : expected - 22);
  }
}

TEST_F(SpeedSearchTest, LongTextStaysOnTheTopRow) {
  std::string name(70, 'L');
  SetTree({"C:\\", "C:\\" + name});
  std::string below = con.Row(1);
  for (char c : name) SpeedSearchKey(c);
  EXPECT_EQ(prog.searchText, name);
  EXPECT_EQ(con.Row(1), below);
  EXPECT_EQ(con.Char(79, 0), 'L');
}

// Keys arrive in the console's code page, names are kept in the file
// system's: both the tree and the search go through the console's form.
TEST_F(SpeedSearchTest, NamesAreShownAndMatchedAsTheConsoleShowsThem) {
  con.oemNames = true;
  SetTree({"C:\\", "C:\\CAFE", "C:\\CAF\xE9"});
  DrawTreeScreen();
  std::string screen;
  for (int row = 0; row < 25; ++row) screen += con.Row(row);
  EXPECT_NE(screen.find("\xC0\xC4" "CAF\x82"), std::string::npos);
  EXPECT_EQ(screen.find('\xE9'), std::string::npos);
  for (char c : std::string("CAF")) SpeedSearchKey(c);
  EXPECT_EQ(Current(), 2);
  SpeedSearchKey(0x82);
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(sys.messageBeeps, 0);
}

}  // namespace
