#include "browser/delete.h"

#include <map>
#include <string>
#include <vector>

#include "fixture.h"
#include "store/load.h"

namespace {

constexpr uint16_t kVkDown = 40, kVkF2 = 113;

const char kStampC[] = "01.02.2020 08:00:00";
const char kStampD[] = "03.04.2021";

class DeleteTest : public KsTest {
 protected:
  // Drive C present with a small tree, D scanned but gone.
  void SetUp() override {
    KsTest::SetUp();
    sys.SetDrive('C');
    WriteScanFile({std::string("C:\\*") + kStampC, "C:\\APPS", "C:\\APPS\\EDIT",
                   "C:\\TEMP", std::string("D:\\*") + kStampD, "D:\\DATA"});
    Load();
  }

  void Load() {
    MarkPresentDrives();
    prog.anchorDrive = 3;
    LoadDriveTrees();
    prog.currentDrive = 3;
  }

  void Select(int entry) { Drive(prog.currentDrive).currentEntry = entry; }

  // Every key the question must sit through before a real answer.
  void PushNonAnswers() {
    con.Type("\x1b\rx");
    con.PushKey(kVkDown);
    con.PushKey(kVkF2);
    con.PushKey('Y', 0, kLeftAltPressed);
  }

  std::vector<std::string> Original() {
    return {std::string("C:\\*") + kStampC, "C:\\APPS", "C:\\APPS\\EDIT",
            "C:\\TEMP", std::string("D:\\*") + kStampD, "D:\\DATA"};
  }
};

TEST_F(DeleteTest, RefusalsOnlyBeep) {
  size_t files = sys.files.size();
  con.output.clear();
  for (int entry : {1, 2}) {  // the root; APPS, which has a subdirectory
    Select(entry);
    DeleteDirectoryFromScanFile();
  }
  sys.SetDrive('E');
  Load();
  prog.currentDrive = 5;  // present, never scanned
  con.output.clear();
  DeleteDirectoryFromScanFile();
  DeleteDriveFromScanFile();

  EXPECT_EQ(sys.messageBeeps, 4);
  EXPECT_EQ(con.output, "");
  EXPECT_EQ(ScanFileLines(), Original());
  EXPECT_EQ(sys.files.size(), files);
}

TEST_F(DeleteTest, DirectoryLeavesTheRestAndTheStampsAlone) {
  sys.stamp = "31.12.2026 23:59:59";  // a rewrite must not take this
  Select(3);
  PushNonAnswers();
  con.Type("y");
  DeleteDirectoryFromScanFile();

  EXPECT_NE(con.output.find(" Delete EDIT from scan file (y/n) ? Y"), std::string::npos);
  EXPECT_TRUE(con.input.empty());
  EXPECT_EQ(ScanFileLines(),
            (std::vector<std::string>{std::string("C:\\*") + kStampC, "C:\\APPS",
                                      "C:\\TEMP", std::string("D:\\*") + kStampD,
                                      "D:\\DATA"}));
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(Drive(3).entryCount, 3);
  EXPECT_EQ(Drive(3).paths[3], "C:\\TEMP");
  EXPECT_EQ(Drive(3).currentEntry, 1);  // where a load puts it
  EXPECT_EQ(Drive(4).scanStamp, kStampD);
  EXPECT_EQ(sys.messageBeeps, 0);
  EXPECT_EQ(con.Text(1, 24, 4), "F1: ");  // the question is gone

  // The last entry of a drive has no children either.
  Select(3);
  con.Type("Y");
  DeleteDirectoryFromScanFile();
  EXPECT_EQ(ScanFileLines(),
            (std::vector<std::string>{std::string("C:\\*") + kStampC, "C:\\APPS",
                                      std::string("D:\\*") + kStampD, "D:\\DATA"}));
}

TEST_F(DeleteTest, AnswerNoTouchesNothing) {
  std::map<std::string, std::string> before = sys.files;
  Select(4);
  con.Type("n");
  DeleteDirectoryFromScanFile();
  EXPECT_NE(con.output.find(" Delete TEMP from scan file (y/n) ? N"), std::string::npos);
  EXPECT_EQ(sys.files, before);
  EXPECT_EQ(Drive(3).entryCount, 4);
  EXPECT_EQ(con.Text(1, 24, 4), "F1: ");

  con.output.clear();
  con.Type("N");
  DeleteDriveFromScanFile();
  EXPECT_NE(con.output.find(" Delete C: drive from scan file (y/n) ? N"), std::string::npos);
  EXPECT_EQ(sys.files, before);
}

TEST_F(DeleteTest, PresentDriveStaysAsItsBareLetter) {
  PushNonAnswers();
  con.Type("y");
  DeleteDriveFromScanFile();
  EXPECT_NE(con.output.find(" Delete C: drive from scan file (y/n) ? Y"), std::string::npos);
  EXPECT_EQ(ScanFileLines(),
            (std::vector<std::string>{std::string("D:\\*") + kStampD, "D:\\DATA"}));
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(Drive(3).entryCount, 1);
  EXPECT_EQ(Drive(3).paths[1], "C:");
  EXPECT_FALSE(Drive(3).scanned);

  DeleteDriveFromScanFile();  // nothing left to remove
  EXPECT_EQ(sys.messageBeeps, 1);
}

TEST_F(DeleteTest, AbsentDriveGivesWayToTheNextOneWithEntries) {
  WriteScanFile({std::string("C:\\*") + kStampC, std::string("D:\\*") + kStampD,
                 "D:\\DATA", "F:\\*05.06.2022", "F:\\X"});
  Load();
  prog.currentDrive = 4;
  con.Type("y");
  DeleteDriveFromScanFile();
  EXPECT_EQ(prog.currentDrive, 6);
  EXPECT_EQ(Drive(4).entryCount, 0);

  // From the last drive with entries the choice wraps to the lowest.
  con.Type("y");
  DeleteDriveFromScanFile();
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(ScanFileLines(), (std::vector<std::string>{std::string("C:\\*") + kStampC}));
}

TEST_F(DeleteTest, LastDriveLeavesAnEmptyTableNotAStrayDrive) {
  sys.driveTypes[3] = kDriveNoRootDir;  // nothing present at all
  WriteScanFile({std::string("D:\\*") + kStampD, "D:\\DATA"});
  Load();
  prog.currentDrive = 4;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDriveFromScanFile(); }), -1);
  // No drive to show: whatever the screen makes of it, the number stays
  // inside the table.
  EXPECT_GE(prog.currentDrive, 0);
  EXPECT_LE(prog.currentDrive, 26);
  for (int d = 1; d <= 26; ++d) EXPECT_EQ(Drive(d).entryCount, 0) << d;
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{});

  // Nothing to delete any more: refusals, not a crash.
  DeleteDirectoryFromScanFile();
  DeleteDriveFromScanFile();
  EXPECT_EQ(sys.messageBeeps, 2);
}

TEST_F(DeleteTest, LongNameIsCutSoTheQuestionFitsTheRow) {
  std::string name(100, 'N');
  WriteScanFile({std::string("C:\\*") + kStampC, "C:\\" + name});
  Load();
  Select(2);
  con.Type("n");
  DeleteDirectoryFromScanFile();
  std::string asked = " Delete " + name.substr(0, 46) + " from scan file (y/n) ? N";
  EXPECT_EQ(asked.size(), 79u);
  EXPECT_NE(con.output.find(asked), std::string::npos);
}

TEST_F(DeleteTest, FailedRewriteLeavesTheScanFileAsItWas) {
  Select(3);
  sys.failReplace = true;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDirectoryFromScanFile(); }), 0);
  EXPECT_NE(con.output.find("Error opening C:\\KS\\KS.DAT"), std::string::npos);
  EXPECT_EQ(ScanFileLines(), Original());

  // A write that fails half-way ends the program, but not the old file.
  sys.failReplace = false;
  sys.writeBudget = 20;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDirectoryFromScanFile(); }), 1);
  EXPECT_EQ(ScanFileLines(), Original());
}

}  // namespace
