#include "cmdline/jump.h"

#include "cmdline_support.h"

namespace {

using Jump = CmdlineTest;

const std::vector<std::string> kWinLines = {
    "C:\\*07.12.2026", "C:\\APPS",  "C:\\APPS\\WIN",
    "C:\\OLDWIN",      "C:\\WIN",   "C:\\WINDOWS"};

TEST(DerivePattern, StarDriveAndLength) {
  struct Case { const char* arg; const char* pattern; bool anywhere; int drive; };
  const Case cases[] = {
      {"WIN", "WIN", false, 0},        {"D:WIN", "WIN", false, 4},
      {"C:*WIN", "WIN", true, 3},      {"*C:WIN", "WIN", true, 3},
      {"C*:WIN", "WIN", true, 3},      {"C:", "C:", false, 0},
      {"A*B*C", "AB*C", true, 0},      {"*", "", true, 0},
      {"*ABCDEFGHIJKLMNOP", "ABCDEFGHIJKL", true, 0},
  };
  for (const Case& c : cases) {
    DerivedPattern d = DerivePattern(c.arg);
    EXPECT_EQ(d.pattern, c.pattern) << c.arg;
    EXPECT_EQ(d.mode == MatchMode::kAnywhere, c.anywhere) << c.arg;
    EXPECT_EQ(d.driveRestriction, c.drive) << c.arg;
  }
}

TEST_F(Jump, ExactCandidatesComeFirstThenPartialOnesInFileOrder) {
  SetUpDrives(kWinLines);
  Press("\x1b");
  EXPECT_EQ(Run("win"), -1);
  EXPECT_EQ(con.Text(47, 18, 22), "Exact: 2    Partial: 1");
  EXPECT_EQ(Inner(7).substr(0, 13), " C:\\APPS\\WIN ");
  EXPECT_EQ(Inner(8).substr(0, 8), " C:\\WIN ");
  EXPECT_EQ(Inner(9).substr(0, 12), " C:\\WINDOWS ");

  Press("\x1b");
  EXPECT_EQ(Run("*win"), -1);
  EXPECT_EQ(con.Text(47, 18, 22), "Exact: 2    Partial: 2");
  EXPECT_EQ(Inner(9).substr(0, 11), " C:\\OLDWIN ");
  EXPECT_EQ(Inner(10).substr(0, 12), " C:\\WINDOWS ");
  // The matched text has its group's colour: OLDWIN's "WIN" is partial.
  EXPECT_EQ(con.Attr(13, 9), 0x1F);
  EXPECT_EQ(con.Attr(14, 9), 0x1B);
  EXPECT_EQ(con.Attr(16, 9), 0x1B);
  EXPECT_EQ(con.Attr(17, 9), 0x1F);
  EXPECT_EQ(prog.ExitCode, 0);
  EXPECT_EQ(sys.cwd, "C:\\");
}

TEST_F(Jump, DriveRestrictionAbsentDrivesRootsAndStrayLinesAreNoCandidates) {
  SetUpDrives({"C:\\*07.12.2026", "C:\\WIN", "D:\\*07.12.2026", "D:\\WIN",
               "E:\\WIN", "", "C:\\", "WIN", "C:WIN", "c:\\WIN", "C:\\WIN\\"});
  Drive(5).present = false;
  // One match: straight there, without a single call that draws.
  EXPECT_EQ(Run("d:win"), -1);
  EXPECT_EQ(sys.cwd, "D:\\WIN");
  EXPECT_EQ(prog.ExitCode, 1);
  EXPECT_EQ(con.writeCalls, 0);
  EXPECT_TRUE(con.cursorInfo.visible);

  Press("\x1b");
  EXPECT_EQ(Run("win"), -1);
  EXPECT_EQ(con.Text(47, 18, 22), "Exact: 2    Partial: 0");
  // Before 'A' a "drive" restricts nothing; past 'Z' it is a drive of no line.
  Press("\x1b");
  EXPECT_EQ(Run("1:win"), -1);
  EXPECT_EQ(con.Text(47, 18, 22), "Exact: 2    Partial: 0");
  EXPECT_EQ(Run("[:win"), 0);

  // A root line's stamp is no name; an empty pattern equals no empty name.
  EXPECT_EQ(Run("*07"), 0);
  EXPECT_EQ(Run("*"), 0);
  EXPECT_EQ(con.output,
            "\"WIN\" not found.  Try \"*WIN\" instead.\r\n"
            "\"07\" not found.  You may need to rescan drives.\r\n"
            "\"\" not found.  You may need to rescan drives.\r\n");
}

TEST_F(Jump, NotFoundMessagesShowTheDerivedPattern) {
  SetUpDrives(kWinLines);
  EXPECT_EQ(Run("zzz"), 0);
  EXPECT_EQ(Run("*zzz"), 0);
  EXPECT_EQ(Run("c:*abcdefghijklmnop"), 0);
  EXPECT_EQ(con.output,
            "\"ZZZ\" not found.  Try \"*ZZZ\" instead.\r\n"
            "\"ZZZ\" not found.  You may need to rescan drives.\r\n"
            "\"ABCDEFGHIJKL\" not found.  You may need to rescan drives.\r\n");
  EXPECT_EQ(prog.ExitCode, 0);
}

TEST_F(Jump, VanishedDirectoryReturnsToTheStartupDirectory) {
  SetUpDrives({"C:\\*07.12.2026", "C:\\GONE"});
  sys.RemoveDir("C:\\GONE");
  sys.AddDir("C:\\WORK");
  sys.cwd = prog.startupDirectory = "C:\\WORK";
  EXPECT_EQ(Run("gone"), 0);
  EXPECT_EQ(sys.cwd, "C:\\WORK");
  EXPECT_EQ(prog.ExitCode, 0);
  EXPECT_EQ(con.output,
            "Error changing to C:\\GONE\r\nYou may need to rescan drives.\r\n");
}

TEST_F(Jump, CandidatesStopAtTheLimitAndFarMatchesKeepTheirPosition) {
  std::vector<std::string> lines = {"C:\\*"};
  for (int i = 0; i < MaxCandidates + 5; ++i)
    lines.push_back("C:\\D" + std::to_string(i) + "\\WIN");
  lines.push_back("C:\\WINX");
  WriteScanFile(lines);
  Drive(3).present = true;
  CandidateList list = CollectCandidates(
      sys.OpenFile(ScanFilePath(), OpenMode::kRead).handle, DerivePattern("WIN"));
  EXPECT_EQ(list.items.size(), static_cast<size_t>(MaxCandidates));
  EXPECT_EQ(list.exactCount, MaxCandidates);
  EXPECT_EQ(list.partialCount, 0);
  EXPECT_EQ(list.items.back().path, lines[MaxCandidates]);

  // Partial matches first in the file still come after the exact ones, in
  // the room those leave.
  lines = {"C:\\*"};
  for (int i = 0; i <= MaxCandidates; ++i) lines.push_back("C:\\WINX" + std::to_string(i));
  for (int i = 0; i < 3; ++i) lines.push_back("C:\\E" + std::to_string(i) + "\\WIN");
  WriteScanFile(lines);
  list = CollectCandidates(
      sys.OpenFile(ScanFilePath(), OpenMode::kRead).handle, DerivePattern("WIN"));
  ASSERT_EQ(list.items.size(), static_cast<size_t>(MaxCandidates));
  EXPECT_EQ(list.exactCount, 3);
  EXPECT_EQ(list.partialCount, MaxCandidates - 3);
  EXPECT_EQ(list.items[0].path, "C:\\E0\\WIN");
  EXPECT_EQ(list.items[3].path, "C:\\WINX0");
  EXPECT_EQ(list.items.back().path, "C:\\WINX" + std::to_string(MaxCandidates - 4));

  const std::string deep = "C:\\" + std::string(300, 'P') + "\\XWINX";
  WriteScanFile({deep});
  list = CollectCandidates(
      sys.OpenFile(ScanFilePath(), OpenMode::kRead).handle, DerivePattern("*WIN"));
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].matchPosition, 306);
}

TEST_F(Jump, SeveralMatchesWithoutATerminalAreListedExactFirst) {
  SetUpDrives(kWinLines);
  con.inputTerminal = false;
  EXPECT_EQ(Run("*win"), 0);
  EXPECT_EQ(con.output, "C:\\APPS\\WIN\r\nC:\\WIN\r\nC:\\OLDWIN\r\nC:\\WINDOWS\r\n");
  EXPECT_EQ(sys.cwd, "C:\\");
  EXPECT_FALSE(sys.FileExists(prog.programDirectory + "KS95CD.BAT"));
}

// A miss rescans the scanned drives that are present before it gives up.
TEST_F(Jump, AMissRescansThePresentScannedDrivesAndMatchesAgain) {
  SetUpDrives({"C:\\*01.01.2026", "C:\\WIN", "D:\\*01.01.2026", "D:\\OLD"});
  Drive(4).present = false;  // scanned but absent: copied as it was
  sys.SetDrive('E');         // present, never scanned: stays out
  Drive(5).present = true;
  sys.AddDir("E:\\NEWPROJ");
  sys.AddDir("C:\\WIN\\NEWPROJ");
  EXPECT_EQ(Run("newproj"), -1);
  EXPECT_EQ(sys.cwd, "C:\\WIN\\NEWPROJ");
  EXPECT_EQ(prog.ExitCode, 1);
  // Output that is not a console (a pipe, a file) gets no progress line.
  EXPECT_EQ(con.output, "");
  EXPECT_EQ(ScanFileLines(),
            (std::vector<std::string>{"C:\\*07.12.2026 10:15:00", "C:\\WIN",
                                      "C:\\WIN\\NEWPROJ", "D:\\*01.01.2026",
                                      "D:\\OLD"}));

  // On a console the drive is named while it is scanned; with a drive in
  // the pattern only that drive is.
  con.outputTerminal = true;
  sys.SetDrive('F');
  Drive(6).present = true;
  WriteScanFile({"C:\\*01.01.2026", "C:\\WIN", "F:\\*01.01.2026"});
  sys.AddDir("F:\\TOOLS");
  EXPECT_EQ(Run("f:tools"), -1);
  EXPECT_EQ(sys.cwd, "F:\\TOOLS");
  EXPECT_EQ(con.output, "Scanning drive F:\r\n");
  EXPECT_EQ(ScanFileLines()[0], "C:\\*01.01.2026");
}

TEST_F(Jump, NoRescanWhenTurnedOffCanceledOrAnotherRunRewrites) {
  const std::vector<std::string> lines = {"C:\\*01.01.2026", "C:\\WIN"};
  SetUpDrives(lines);
  sys.AddDir("C:\\NEWPROJ");
  const std::string miss = "\"NEWPROJ\" not found.  Try \"*NEWPROJ\" instead.\r\n";

  sys.environment["KS95_REFRESH"] = "off";
  EXPECT_EQ(Run("newproj"), 0);
  EXPECT_EQ(sys.lastLockWaitMs, -1);
  sys.environment.clear();

  // Another run holds the lock: it is not waited for.
  sys.lockedElsewhere = true;
  EXPECT_EQ(Run("newproj"), 0);
  EXPECT_EQ(sys.lastLockWaitMs, 0);
  sys.lockedElsewhere = false;

  // Esc during the rescan: the file keeps every line, none half-scanned.
  con.PushKey(0x1B, 27);
  EXPECT_EQ(Run("newproj"), 0);
  EXPECT_EQ(con.output, miss + miss + miss);
  EXPECT_EQ(ScanFileLines(), lines);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_FALSE(sys.lockHeld);
  EXPECT_EQ(prog.ExitCode, 0);
  EXPECT_EQ(sys.cwd, "C:\\");
}

// Whether a drive was scanned with its hidden directories is not stored: a
// hidden directory the file holds must survive the rescan, and a drive
// scanned without them must not gain any.
TEST_F(Jump, ARescanKeepsTheHiddenDirectoriesOnlyOfDrivesScannedWithThem) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  Drive(3).present = Drive(4).present = true;
  sys.AddDir("C:\\A");
  sys.AddDir("C:\\HID", kAttrDirectory | kAttrHidden);
  sys.AddDir("C:\\HID\\NEWPROJ");
  sys.AddDir("D:\\SYS", kAttrDirectory | kAttrSystem);
  sys.AddDir("D:\\SYS\\NEWPROJ");
  sys.AddDir("D:\\A");
  sys.AddDir("D:\\b");
  // C's hidden one comes after a line the scan agrees with; D's lines are
  // out of order (a hand edit), and each is still found in the scan.
  WriteScanFile({"C:\\*01.01.2026", "C:\\A", "C:\\HID", "D:\\*01.01.2026", "D:\\b", "D:\\A"});
  EXPECT_EQ(Run("newproj"), -1);
  EXPECT_EQ(sys.cwd, "C:\\HID\\NEWPROJ");
  EXPECT_EQ(ScanFileLines(),
            (std::vector<std::string>{"C:\\*07.12.2026 10:15:00", "C:\\A", "C:\\HID",
                                      "C:\\HID\\NEWPROJ",
                                      "D:\\*07.12.2026 10:15:00", "D:\\A",
                                      "D:\\b"}));
}

}  // namespace
