#include "cmdline/add.h"

#include "cmdline_support.h"

namespace {

using AddDirectory = CmdlineTest;

const char kStampC[] = "C:\\*07.12.2026 10:15:00";
const char kStampD[] = "D:\\*01.01.2026";
const std::vector<std::string> kLines = {kStampC, "C:\\APPS", "C:\\APPS\\EDIT",
                                         "C:\\TEMP", kStampD, "D:\\DATA"};

std::vector<std::string> Inserted(size_t at, const std::string& line) {
  std::vector<std::string> v = kLines;
  v.insert(v.begin() + static_cast<long>(at), line);
  return v;
}

TEST_F(AddDirectory, InsertsInTreeOrderKeepingStamps) {
  struct Case { const char* dir; size_t at; };
  const Case cases[] = {{"C:\\GAMES", 3}, {"C:\\APPS\\NEW", 3}, {"C:\\ZZZ", 4},
                        {"D:\\ZZZ", 6}, {"C:\\APPS OLD", 3}, {"C:\\0", 1}};
  for (const Case& c : cases) {
    WriteScanFile(kLines);
    con.output.clear();
    prog.startupDirectory = c.dir;
    EXPECT_EQ(Run("/a"), 0) << c.dir;
    EXPECT_EQ(ScanFileLines(), Inserted(c.at, c.dir)) << c.dir;
    EXPECT_EQ(con.output, "Scan file updated with " + std::string(c.dir) + "\r\n");
  }
}

// Long runs of lines are copied in bulk: the new line must still land
// exactly in its place, wherever that falls in the runs.
TEST_F(AddDirectory, LandsInItsPlaceInABigFile) {
  std::vector<std::string> lines = {kStampC};
  char name[16];
  for (int i = 0; i < 6000; i += 2) {
    snprintf(name, sizeof name, "C:\\D%04d", i);
    lines.push_back(name);
  }
  for (int odd : {1, 7, 333, 2501, 5999}) {
    WriteScanFile(lines);
    snprintf(name, sizeof name, "C:\\D%04d", odd);
    prog.startupDirectory = name;
    EXPECT_EQ(Run("/a"), 0) << name;
    std::vector<std::string> expected = lines;
    expected.insert(expected.begin() + 1 + (odd + 1) / 2, name);
    EXPECT_EQ(ScanFileLines(), expected) << name;
  }
}

TEST_F(AddDirectory, RefusalsLeaveTheFileAlone) {
  struct Case { const char* dir; const char* message; };
  const Case cases[] = {
      {"c:\\apps", "c:\\apps has already been scanned."},
      {"C:\\APPS\\EDIT\\X\\Y", "Parent directory \"C:\\APPS\\EDIT\\X\" not in scan file."},
      {"E:\\NEW", "Parent directory \"E:\\\" not in scan file."},
      {"C:\\", "Cannot add root directory to scan file."},
      // Its line would read as C's root line.
      {"C:\\*X", "Cannot add C:\\*X to scan file: a name directly below the root "
                 "cannot begin with *."},
      // A directory the system gave no name for in its code page.
      {"", "Cannot add the current directory to scan file: its name does not "
           "fit the system code page and it has no short name."},
  };
  WriteScanFile(kLines);
  for (const Case& c : cases) {
    con.output.clear();
    prog.startupDirectory = c.dir;
    EXPECT_EQ(Run("/A"), 0);
    EXPECT_EQ(con.output, std::string(c.message) + "\r\n");
  }
  EXPECT_EQ(ScanFileLines(), kLines);
  WriteScanFile({});
  prog.startupDirectory = "C:\\NEW";
  EXPECT_EQ(Run("/a"), 0);
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{});
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(AddDirectory, StrayLinesAndLowerCaseDriveLetters) {
  // Lines outside the format neither stop the addition nor get lost.
  WriteScanFile({kStampC, "", "junk", "C:\\TEMP"});
  prog.startupDirectory = "c:\\games";
  EXPECT_EQ(Run("/a"), 0);
  EXPECT_EQ(ScanFileLines(), (std::vector<std::string>{
                                 kStampC, "", "junk", "C:\\games", "C:\\TEMP"}));
  EXPECT_EQ(con.output, "Scan file updated with c:\\games\r\n");
}

TEST_F(AddDirectory, FailuresNeverDamageTheScanFile) {
  const std::string tmp = prog.programDirectory + "ks$$$.tmp";
  sys.files[tmp] = "left over\r\n";
  WriteScanFile(kLines);
  prog.startupDirectory = "C:\\GAMES";
  EXPECT_EQ(Run("/a"), 0);
  EXPECT_EQ(ScanFileLines(), Inserted(3, "C:\\GAMES"));
  EXPECT_EQ(sys.files[tmp], "left over\r\n");

  WriteScanFile(kLines);
  const std::string before = sys.files[ScanFilePath()];
  sys.failReplace = true;
  con.output.clear();
  EXPECT_EQ(Run("/a"), 0);
  EXPECT_EQ(con.output, "Unable to modify C:\\KS\\KS.DAT\r\n");
  EXPECT_EQ(sys.files[ScanFilePath()], before);

  sys.failReplace = false;
  sys.writeBudget = 20;
  EXPECT_EQ(Run("/a"), 1);
  EXPECT_EQ(sys.files[ScanFilePath()], before);
}

TEST_F(AddDirectory, NamesTheFileCannotHoldOrABusyFileAreRefusedUntouched) {
  // A line break would forge a line, a Ctrl-Z would hide every later one.
  for (const char* dir : {"C:\\APPS\\A\nD:\\X", "C:\\APPS\\B\rC", "C:\\APPS\\C\x1a"}) {
    WriteScanFile(kLines);
    con.output.clear();
    prog.startupDirectory = dir;
    EXPECT_EQ(Run("/a"), 0);
    EXPECT_EQ(ScanFileLines(), kLines);
    EXPECT_EQ(con.output.find("updated"), std::string::npos) << con.output;
    EXPECT_NE(con.output.find("Cannot add"), std::string::npos) << con.output;
  }
  // Off every drive, a backslash belongs to a host name.
  prog.startupDirectory = "/tmp/a\\b";
  EXPECT_EQ(Run("/a"), 0);
  EXPECT_EQ(ScanFileLines(), kLines);

  // Another run rewriting the file past the wait: exit 1, nothing written.
  prog.startupDirectory = "C:\\GAMES";
  sys.lockedElsewhere = true;
  con.output.clear();
  EXPECT_EQ(Run("/a"), 1);
  EXPECT_EQ(ScanFileLines(), kLines);
  EXPECT_NE(con.output.find("another run"), std::string::npos);
  EXPECT_EQ(TempFiles(), 0);
}

}  // namespace
