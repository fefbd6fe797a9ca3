#include "browser/delete.h"

#include <map>
#include <string>
#include <vector>

#include "fixture.h"
#include "scanner/rewrite.h"
#include "store/load.h"
#include "store/tree_prefixes.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kRootC = "C:\\*01.02.2020 08:00:00", kRootD = "D:\\*03.04.2021";

class DeleteTest : public KsTest {
 protected:
  // Drive C present with a small tree; D scanned but gone.
  void SetUp() override {
    KsTest::SetUp();
    sys.SetDrive('C');
    sys.stamp = "31.12.2026 23:59:59";  // no rewrite may take this one
    Load({kRootC, "C:\\APPS", "C:\\APPS\\EDIT", "C:\\TEMP", kRootD, "D:\\DATA"});
  }
  void Load(const Lines& lines) {
    WriteScanFile(lines);
    MarkPresentDrives();
    prog.anchorDrive = prog.currentDrive = 3;
    LoadDriveTrees();
    con.output.clear();
  }
  void Select(int entry) { Drive(prog.currentDrive).currentEntry = entry; }
  // Keys the question must sit through before its answer.
  void PushNonAnswers() {
    con.Type("\x1b\rx");
    con.PushKey(40);                       // Down
    con.PushKey('Y', 0, kLeftAltPressed);  // Alt-Y
  }
};

TEST_F(DeleteTest, RefusalsOnlyBeep) {
  std::map<std::string, std::string> before = sys.files;
  for (int entry : {1, 2}) {  // the root; APPS, which has a subdirectory
    Select(entry);
    DeleteDirectoryFromScanFile();
  }
  sys.SetDrive('E');
  Load(ScanFileLines());
  prog.currentDrive = 5;  // present, never scanned
  DeleteDirectoryFromScanFile();
  DeleteDriveFromScanFile();
  EXPECT_EQ(sys.messageBeeps, 4);
  EXPECT_EQ(con.output, "");
  EXPECT_EQ(sys.files, before);
}

TEST_F(DeleteTest, DirectoryGoesAndEverythingElseStays) {
  Select(3);
  PushNonAnswers();
  con.Type("y");
  DeleteDirectoryFromScanFile();
  EXPECT_NE(con.output.find(" Delete EDIT from scan file (y/n) ? Y"), std::string::npos);
  EXPECT_TRUE(con.input.empty());
  EXPECT_EQ(ScanFileLines(), (Lines{kRootC, "C:\\APPS", "C:\\TEMP", kRootD, "D:\\DATA"}));
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(Drive(3).entryCount, 3);  // reloaded
  EXPECT_EQ(Drive(3).currentEntry, 1);
  EXPECT_EQ(con.Text(1, 24, 4), "F1: ");  // the question is gone

  Select(3);  // TEMP, the drive's last entry
  con.Type("Y");
  DeleteDirectoryFromScanFile();
  EXPECT_EQ(ScanFileLines(), (Lines{kRootC, "C:\\APPS", kRootD, "D:\\DATA"}));
}

TEST_F(DeleteTest, AnswerNoTouchesNothing) {
  std::map<std::string, std::string> before = sys.files;
  Select(4);
  con.Type("nN");
  DeleteDirectoryFromScanFile();
  DeleteDriveFromScanFile();
  EXPECT_NE(con.output.find(" Delete TEMP from scan file (y/n) ? N"), std::string::npos);
  EXPECT_NE(con.output.find(" Delete C: drive from scan file (y/n) ? N"), std::string::npos);
  EXPECT_EQ(sys.files, before);
  EXPECT_EQ(Drive(3).entryCount, 4);
}

TEST_F(DeleteTest, PresentDriveStaysAsItsBareLetter) {
  PushNonAnswers();
  con.Type("y");
  DeleteDriveFromScanFile();
  EXPECT_NE(con.output.find(" Delete C: drive from scan file (y/n) ? Y"), std::string::npos);
  EXPECT_EQ(ScanFileLines(), (Lines{kRootD, "D:\\DATA"}));
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(Drive(3).paths[1], std::string_view("C:"));
  EXPECT_FALSE(Drive(3).scanned);
  DeleteDriveFromScanFile();  // nothing left to remove
  EXPECT_EQ(sys.messageBeeps, 1);
}

TEST_F(DeleteTest, AbsentDriveGivesWayToTheNextWithEntries) {
  Load({kRootC, kRootD, "D:\\DATA", "F:\\*05.06.2022", "F:\\X"});
  prog.currentDrive = 4;
  con.Type("yy");
  DeleteDriveFromScanFile();
  EXPECT_EQ(prog.currentDrive, 6);
  DeleteDriveFromScanFile();  // from the last one, wrap to the lowest
  EXPECT_EQ(prog.currentDrive, 3);
  EXPECT_EQ(ScanFileLines(), (Lines{kRootC}));
}

TEST_F(DeleteTest, LastDriveLeavesAnEmptyTableNotAStrayDrive) {
  sys.driveTypes[3] = kDriveNoRootDir;  // nothing present at all
  Load({kRootD, "D:\\DATA"});
  prog.currentDrive = 4;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDriveFromScanFile(); }), -1);
  EXPECT_GE(prog.currentDrive, 0);
  EXPECT_LE(prog.currentDrive, 26);
  for (int d = 1; d <= 26; ++d) EXPECT_EQ(Drive(d).entryCount, 0) << d;
  EXPECT_EQ(ScanFileLines(), Lines{});
  DeleteDirectoryFromScanFile();  // refusals now, not a crash
  DeleteDriveFromScanFile();
  EXPECT_EQ(sys.messageBeeps, 2);
}

TEST_F(DeleteTest, LongNameIsCutSoTheQuestionFitsTheRow) {
  std::string name(100, 'N');
  Load({kRootC, "C:\\" + name});
  Select(2);
  con.Type("n");
  DeleteDirectoryFromScanFile();
  std::string asked = " Delete " + name.substr(0, 46) + " from scan file (y/n) ? N";
  EXPECT_EQ(asked.size(), 79u);
  EXPECT_NE(con.output.find(asked), std::string::npos);
}

TEST_F(DeleteTest, FailedRewriteLeavesTheScanFileAsItWas) {
  Lines original = ScanFileLines();
  Select(3);
  sys.failReplace = true;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDirectoryFromScanFile(); }), 0);
  EXPECT_NE(con.output.find("Error opening C:\\KS\\KS.DAT"), std::string::npos);
  EXPECT_EQ(ScanFileLines(), original);

  sys.failReplace = false;  // a write failing half-way ends the program
  sys.writeBudget = 20;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDirectoryFromScanFile(); }), 1);
  EXPECT_EQ(ScanFileLines(), original);
}

TEST_F(DeleteTest, AnotherRunsChangeSinceLoadingIsKeptAndTheRightLineGoes) {
  // Another run added C:\AAA (before APPS) after this one loaded the file.
  WriteScanFile({kRootC, "C:\\AAA", "C:\\APPS", "C:\\APPS\\EDIT", "C:\\TEMP", kRootD,
                 "D:\\DATA"});
  Select(4);  // C:\TEMP as loaded
  con.Type("y");
  DeleteDirectoryFromScanFile();
  EXPECT_EQ(ScanFileLines(), (Lines{kRootC, "C:\\AAA", "C:\\APPS", "C:\\APPS\\EDIT",
                                    kRootD, "D:\\DATA"}));
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(DeleteTest, ReadOnlyOrBusyScanFileIsNotReplaced) {
  const std::string before = sys.files[ScanFilePath()];
  sys.readOnly.insert(ScanFilePath());
  Select(4);
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDirectoryFromScanFile(); }), 0);
  EXPECT_NE(con.output.find("Error opening C:\\KS\\KS.DAT"), std::string::npos);
  sys.readOnly.clear();
  sys.lockedElsewhere = true;
  con.Type("y");
  EXPECT_EQ(ExitCodeOf([] { DeleteDriveFromScanFile(); }), 1);
  EXPECT_EQ(sys.files[ScanFilePath()], before);
}

// The table kept after a deletion must be the one a fresh load of the new
// file gives: entries, depths, prefixes and every drive's cursor.
TEST_F(DeleteTest, TableAfterDeletionIsWhatTheNewFileLoadsAs) {
  Lines lines = {kRootC};
  for (int i = 0; i < 600; ++i) {  // past the prefix marks' interval
    lines.push_back("C:\\D" + std::to_string(100 + i));
    if (i % 3 == 0) {
      lines.push_back(lines.back() + "\\A");
      lines.push_back(lines[lines.size() - 2] + "\\B");
    }
  }
  lines.insert(lines.end(), {kRootD, "D:\\DATA", "D:\\DATA\\X", "D:\\Z"});
  prog.startupDirectory = "C:\\D130";
  Load(lines);
  auto snapshot = [] {
    std::vector<std::string> out;
    for (int d = 1; d <= 26; ++d) {
      const DriveTree& t = Drive(d);
      std::string row = std::to_string(t.entryCount) + " " + std::to_string(t.currentEntry) +
                        " " + std::to_string(t.topEntry) + " " + std::to_string(t.rowsUsed) +
                        " " + std::to_string(t.scanned) + " " + t.scanStamp;
      for (int e = 1; e <= t.entryCount; ++e)
        row += "|" + std::string(t.paths[static_cast<size_t>(e)]) + "/" +
               std::to_string(t.depths[static_cast<size_t>(e)]) + "/" + TreePrefix(d, e);
      out.push_back(row);
    }
    return out;
  };
  for (int entry : {3, 4, 0}) {  // D100\A, then D101, then the drive's last
    const int count = Drive(3).entryCount;
    Drive(3).currentEntry = entry ? entry : count;
    Drive(4).currentEntry = 2;
    con.Type("y");
    DeleteDirectoryFromScanFile();
    ASSERT_EQ(Drive(3).entryCount, count - 1) << entry;
    const std::vector<std::string> kept = snapshot();
    LoadDriveTrees();
    EXPECT_EQ(kept, snapshot()) << entry;
    EXPECT_FALSE(ScanFileChangedSinceLoad());
  }
}

}  // namespace
