#include <string>
#include <vector>

#include "crt32/console.h"
#include "fixture.h"
#include "shell/shell.h"
#include "store/load.h"

namespace {

enum : uint16_t {
  kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B, kVkPrior = 0x21,
  kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
  kVkRight = 0x27, kVkDown = 0x28,
};

class TreeMode : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    sys.SetDrive('C');
    sys.SetDrive('D');
    std::vector<std::string> lines = {"D:\\*01.12.2026"};
    for (int i = 1; i <= 40; ++i) {
      std::string dir = "D:\\DIR" + std::to_string(100 + i);
      lines.push_back(dir);
      sys.AddDir(dir);
    }
    lines.push_back("D:\\DIR140\\SUB");
    sys.AddDir("D:\\DIR140\\SUB");
    WriteScanFile(lines);
    Start("D:\\DIR130");
  }
  void Start(const std::string& dir) {
    sys.cwd = dir;
    prog.startupDirectory = dir;
  }
  void Arrow(uint16_t vk, uint32_t state = 0) { con.PushKey(vk, 0, state | kEnhancedKey); }
  // Runs tree mode until it waits for a key the script does not hold, so
  // that the screen can be checked as the user sees it.
  void RunUntilIdle() {
    bool idle = false;
    MarkPresentDrives();
    try {
      RunTreeMode();
    } catch (const OutOfInput&) {
      idle = true;
    }
    ASSERT_TRUE(idle) << "tree mode ended";
  }
  std::string CdFile() { return sys.files[sys.CdFilePath(prog.programDirectory)]; }
  int RunToEnd() {
    MarkPresentDrives();
    return ExitCodeOf([] { RunTreeMode(); });
  }
  uint16_t Attr(int slot) const {
    return static_cast<uint16_t>(kSlotBackground[slot] * 16 + kSlotForeground[slot]);
  }
};

TEST_F(TreeMode, StartsOnTheStartupDirectoryCentred) {
  RunUntilIdle();
  EXPECT_EQ(prog.currentDrive, 4);
  EXPECT_EQ(Drive(4).currentEntry, 31);
  EXPECT_EQ(Drive(4).topEntry, 20);  // 31 - 11
  EXPECT_EQ(con.Text(2, 12, 6), "DIR130");
  EXPECT_EQ(con.Attr(2, 12), Attr(19));
  EXPECT_EQ(con.Text(12, 24, 9), "D:\\DIR130");
  EXPECT_EQ(con.Text(0, 0, 2), "CD");
  EXPECT_FALSE(con.cursorInfo.visible);
}

TEST_F(TreeMode, MovesDrawTheBarAndTheStatusLine) {
  Arrow(kVkDown);
  Arrow(kVkDown);
  RunUntilIdle();
  EXPECT_EQ(Drive(4).currentEntry, 33);
  EXPECT_EQ(con.Attr(2, 12), Attr(18));  // the start-up directory, bar off
  EXPECT_EQ(con.Attr(2, 13), Attr(16));
  EXPECT_EQ(con.Attr(2, 14), Attr(17));
  EXPECT_EQ(con.Text(12, 24, 10), "D:\\DIR132 ");

  con.input.clear();
  Arrow(kVkEnd);
  Arrow(kVkLeft);
  Arrow(kVkHome);
  Arrow(kVkNext);
  Arrow(kVkTab);
  RunUntilIdle();
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(Drive(4).currentEntry, 23);
}

TEST_F(TreeMode, EnterChangesToTheSelectedDirectory) {
  Arrow(kVkEnd);
  con.PushKey(kVkReturn, 13);
  EXPECT_EQ(RunToEnd(), 1);
  EXPECT_EQ(sys.cwd, "D:\\DIR140\\SUB");
  EXPECT_EQ(CdFile(), "D:\r\ncd \"D:\\DIR140\\SUB\"\r\n");
  EXPECT_TRUE(con.cursorInfo.visible);
  EXPECT_EQ(con.attribute & 0xFF, 0x07);
  EXPECT_EQ(con.output.find("Error"), std::string::npos);
}

TEST_F(TreeMode, EscAndAltXLeaveWithoutAChange) {
  Arrow(kVkDown);
  con.PushKey(kVkEscape, 27);
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(sys.cwd, "D:\\DIR130");

  con.input.clear();
  con.PushKey('X', 'x', kLeftAltPressed);
  EXPECT_EQ(RunToEnd(), 0);
}

TEST_F(TreeMode, EnterOnAVanishedDirectoryGoesBackToTheStart) {
  sys.RemoveDir("D:\\DIR140\\SUB");
  Arrow(kVkEnd);
  con.PushKey(kVkReturn, 13);
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(sys.cwd, "D:\\DIR130");
  EXPECT_EQ(CdFile(), "D:\r\ncd \"D:\\DIR130\"\r\n");
  EXPECT_NE(con.output.find("Error changing to D:\\DIR140\\SUB\r\nYou may need to rescan drives.\r\n"),
            std::string::npos)
      << con.output;

  // When the way back is gone too, the program ends with the error report.
  con.input.clear();
  con.output.clear();
  sys.RemoveDir("D:\\DIR130");
  Arrow(kVkEnd);
  con.PushKey(kVkReturn, 13);
  EXPECT_EQ(RunToEnd(), 1);
  EXPECT_NE(con.output.find("Path not found"), std::string::npos) << con.output;
}

TEST_F(TreeMode, EnterOnAnAbsentDriveKeepsRunning) {
  sys.driveTypes[4] = kDriveNoRootDir;
  con.PushKey(kVkReturn, 13);
  RunUntilIdle();
  EXPECT_EQ(prog.LastKey, 0);
  EXPECT_GT(sys.messageBeeps, 0);
  EXPECT_EQ(sys.cwd, "D:\\DIR130");
}

TEST_F(TreeMode, StartupDriveLetterInLowerCaseIsTheSameDrive) {
  Start("d:\\DIR130");
  RunUntilIdle();
  EXPECT_EQ(prog.currentDrive, 4);
  EXPECT_EQ(Drive(4).currentEntry, 31);
  EXPECT_EQ(con.Attr(2, 12), Attr(19));
}

TEST_F(TreeMode, StartupOutsideEveryDriveShowsTheFirstDriveWithEntries) {
  for (const std::string& dir : {std::string("\\\\server\\share"), std::string("/home/user"),
                                 std::string("")}) {
    Start(dir);
    RunUntilIdle();
    EXPECT_EQ(prog.anchorDrive, 0) << dir;
    EXPECT_EQ(prog.currentDrive, 3) << dir;
    EXPECT_EQ(Drive(4).currentEntry, 1) << dir;
  }
}

TEST_F(TreeMode, NoDrivesAtAllShowAnEmptyTree) {
  sys.files.clear();
  sys.driveTypes[3] = sys.driveTypes[4] = kDriveNoRootDir;
  Arrow(kVkDown);
  Arrow(kVkTab);
  con.PushKey(kVkReturn, 13);
  RunUntilIdle();
  EXPECT_EQ(prog.currentDrive, 0);
  EXPECT_EQ(con.Row(1), std::string(80, ' '));
  EXPECT_EQ(con.Text(26, 0, 16), "Kestrin 95 v1.00");
  con.PushKey(kVkEscape, 27);
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(sys.cwd, "D:\\DIR130");
}

}  // namespace
