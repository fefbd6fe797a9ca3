#include "scanner/rescan.h"

#include <algorithm>

#include "browser/render.h"
#include "fixture.h"

namespace {

class Rescan : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    // C: scanned and present; E:, F: present, never scanned; G: scanned but
    // gone; Z: absent.
    for (char d : {'C', 'E', 'F'}) sys.SetDrive(d);
    sys.AddDir("C:\\NEWDIR");
    sys.AddDir("E:\\E1");
    sys.AddDir("F:\\f1\\F2");
    sys.AddDir("F:\\A0");
    sys.AddDir("F:\\.git\\objects");
    SetTree(3, {"C:\\", "C:\\DOS", "C:\\DOS\\OLD"}, "01.01.1995 09:00:00");
    SetTree(5, {"E:"}, "");
    Drive(5).scanned = false;
    SetTree(6, {"F:"}, "");
    Drive(6).scanned = false;
    SetTree(7, {"G:\\", "G:\\GONE"}, "02.02.1996");
    Drive(7).present = false;
    WriteScanFile({"C:\\*01.01.1995 09:00:00", "C:\\DOS", "C:\\DOS\\OLD", "G:\\*02.02.1996",
                   "G:\\GONE"});
    prog.currentDrive = 3;
    scanner.quietScan = false;
  }
  void SetTree(int d, const std::vector<std::string>& entries, const std::string& stamp) {
    DriveTree& t = Drive(d);
    t.paths = PathList();
    for (const std::string& e : entries) t.paths.Append(e);
    t.entryCount = static_cast<int>(entries.size());
    t.scanned = true;
    t.present = true;
    t.scanStamp = stamp;
  }
  const std::vector<std::string> kOldC = {"C:\\*01.01.1995 09:00:00", "C:\\DOS", "C:\\DOS\\OLD"};
  const std::vector<std::string> kOldG = {"G:\\*02.02.1996", "G:\\GONE"};
  const std::vector<std::string> kNewE = {"E:\\*07.12.2026 10:15:00", "E:\\E1"};
  const std::vector<std::string> kNewF = {"F:\\*07.12.2026 10:15:00", "F:\\A0", "F:\\f1",
                                          "F:\\f1\\F2"};
  std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
};

TEST_F(Rescan, PromptTakesDistinctLettersOfPresentDrivesOnly) {
  con.Type("eEz\bf\r");
  RescanDrives(RedrawTree);
  EXPECT_EQ(con.output.substr(0, 28), " Enter drives to scan: E\b \bF");
  EXPECT_EQ(scanner.drivesToScan, "F");
  // Drives in letter order: C and G copied as they were, F afresh.
  EXPECT_EQ(ScanFileLines(), Join({kOldC, kNewF, kOldG}));
  EXPECT_FALSE(con.cursorInfo.visible);
  EXPECT_EQ(prog.anchorDrive, 3);
  EXPECT_EQ(prog.currentDrive, 3);

  con.output.clear();
  con.Type("fe\r");
  RescanDrives(RedrawTree);
  EXPECT_EQ(ScanFileLines(), Join({kOldC, kNewE, kNewF, kOldG}));
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(Rescan, StatusLineShowsScanningWithTheCountThenSorting) {
  con.Type("f\r");
  RescanDrives(RedrawTree);
  const std::string scanning = " Scanning F: drive (press Esc to cancel)  Directories: ";
  ASSERT_EQ(scanning.size(), 55u);
  size_t at = con.output.find(scanning);
  ASSERT_NE(at, std::string::npos);
  // The count follows directly, from the first directory to the last.
  size_t sorting = con.output.find(" Sorting Drive F: ...", at);
  ASSERT_NE(sorting, std::string::npos);
  EXPECT_EQ(con.output.substr(at + 55, 3), "  2");
  EXPECT_EQ(con.output.substr(sorting - 3, 3), "  4");
}

TEST_F(Rescan, EscOrAnEmptyChoiceOrExtendedKeysWriteNothing) {
  sys.SetDrive('A');
  Drive(1).present = true;
  const std::string old = sys.files[ScanFilePath()];
  con.Type("ef\x1b");
  RescanDrives(RedrawTree);
  con.Type("\r");
  RescanDrives(RedrawTree);
  // F7's scan code is the code of "A"; it must not choose drive A.
  con.PushKey(118);
  con.Type("\b\b\r");
  RescanDrives(RedrawTree);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_EQ(sys.dirOpens, 0);
  EXPECT_TRUE(con.input.empty());
}

TEST_F(Rescan, EscMidScanWritesThePartialDriveAndGoesOnToTheNext) {
  for (int i = 0; i < 100; ++i) sys.AddDir("E:\\D" + std::to_string(1000 + i));
  con.Type("ef\r\x1b");
  RescanDrives(RedrawTree);
  // The first poll comes after E's first directory; F is scanned in full.
  EXPECT_EQ(ScanFileLines(),
            Join({kOldC, {"E:\\*07.12.2026 10:15:00", "E:\\E1"}, kNewF, kOldG}));
}

TEST_F(Rescan, AScanAtTheLimitSaysSoAfterTheRedrawAndCopiesKeepEveryPath) {
  // F holds 4 directories; with room for 4 entries, root included, the scan
  // stops at 4 and the note names F and the count kept, once.
  MaxDirsPerDrive = 4;
  // G was loaded without a root line: its copy must keep the path as it is.
  SetTree(7, {"G:\\GONE"}, "02.02.1996");
  con.Type("f\r");
  RescanDrives(RedrawTree);
  std::vector<std::string> lines = ScanFileLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == 'F'; }), 4);
  EXPECT_EQ(lines.back(), "G:\\GONE");
  DrawStatusLine();
  const std::string note = "Drive F: stopped at the limit, 4 directories kept";
  EXPECT_EQ(con.Text(12, 24, static_cast<int>(note.size())), note);
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 3), "C:\\");
  // Below the limit nothing is said.
  MaxDirsPerDrive = 5;
  con.Type("f\r");
  RescanDrives(RedrawTree);
  EXPECT_TRUE(prog.statusNote.empty());
}

TEST_F(Rescan, DirectoriesLeftOutForTheirNamesAreNamedOnTheStatusLine) {
  sys.dirs["F:"].push_back(DirEntry{"x\\y", kAttrDirectory});
  sys.dirs["F:"].push_back(DirEntry{"y\\z", kAttrDirectory});
  sys.dirs["E:"].push_back(DirEntry{"x\ny", kAttrDirectory});
  con.Type("ef\r");
  RescanDrives(RedrawTree);
  EXPECT_EQ(ScanFileLines(), Join({kOldC, kNewE, kNewF, kOldG}));
  EXPECT_EQ(prog.statusNote, "E: 1 directory left out: its name holds a line break or "
                             "Ctrl-Z. F: 2 directories left out: their names hold a backslash");
  DrawStatusLine();
  EXPECT_EQ(con.Text(12, 24, 24), "E: 1 directory left out:");
}

TEST_F(Rescan, AFailedRewriteKeepsTheScanFile) {
  const std::string old = sys.files[ScanFilePath()];
  sys.readOnly.insert(ScanFilePath());
  con.Type("f\r");
  EXPECT_EQ(ExitCodeOf([] { RescanDrives(RedrawTree); }), 0);
  EXPECT_NE(con.output.find("Error opening C:\\KS\\KS.DAT"), std::string::npos);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_EQ(sys.dirOpens, 0);  // refused before any scanning
  sys.readOnly.clear();

  sys.failReplace = true;
  con.Type("f\r");
  EXPECT_EQ(ExitCodeOf([] { RescanDrives(RedrawTree); }), 0);
  EXPECT_NE(con.output.find("Unable to modify C:\\KS\\KS.DAT"), std::string::npos);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  sys.failReplace = false;

  // Disk full while the lines are written: the run ends with the error
  // report, and the old file is still there in full.
  for (int i = 0; i < 3000; ++i) sys.AddDir("F:\\many" + std::to_string(i));
  sys.writeBudget = 20000;
  con.Type("f\r");
  EXPECT_EQ(ExitCodeOf([] { RescanDrives(RedrawTree); }), 1);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
}

class CommandLineScan : public Rescan {
 protected:
  void SetUp() override {
    Rescan::SetUp();
    for (int d = 1; d <= 26; ++d) {
      Drive(d).paths.Clear();
      Drive(d).entryCount = 0;
      Drive(d).scanned = false;
    }
    // Lines as they are on disk, stamp formats and all.
    WriteScanFile({"C:\\*1/1/1995 9:00:00 AM", "C:\\DOS", "C:\\DOS\\OLD  ", "G:\\*x",
                   "G:\\GONE"});
  }
  int Run(const std::string& argument) {
    return ExitCodeOf([&] { RunScanOption(argument); });
  }
};

TEST_F(CommandLineScan, ScansNamedPresentDrivesAndCopiesTheRestByteForByte) {
  const std::string old = sys.files[ScanFilePath()];
  EXPECT_EQ(Run("/SEZ"), 0);
  EXPECT_EQ(con.output, "Scanning drive E:\r\n1 drive(s) scanned\r\n");
  EXPECT_EQ(scanner.scanAttributes, 16);
  EXPECT_TRUE(scanner.quietScan);
  const std::string& now = sys.files[ScanFilePath()];
  size_t e = old.find("G:");
  EXPECT_EQ(now, old.substr(0, e) + "E:\\*07.12.2026 10:15:00\r\nE:\\E1\r\n" + old.substr(e));
}

TEST_F(CommandLineScan, PlusIncludesHiddenDirectoriesAndExtraLettersAreDropped) {
  sys.AddDir("E:\\HIDDEN", kAttrDirectory | kAttrHidden);
  EXPECT_EQ(Run("/S+E"), 0);
  EXPECT_EQ(scanner.scanAttributes, 63);
  EXPECT_NE(sys.files[ScanFilePath()].find("E:\\HIDDEN\r\n"), std::string::npos);
  EXPECT_EQ(Run("/SE"), 0);
  EXPECT_EQ(sys.files[ScanFilePath()].find("E:\\HIDDEN"), std::string::npos);

  // Only 26 characters after the option count.
  con.output.clear();
  EXPECT_EQ(Run("/S+" + std::string(26, '-') + "F"), 0);
  EXPECT_EQ(con.output, "0 drive(s) scanned\r\n");
}

TEST_F(CommandLineScan, NoDriveLettersScanNothing) {
  const std::string old = sys.files[ScanFilePath()];
  EXPECT_EQ(Run("/S"), 0);
  EXPECT_EQ(Run("/S+"), 0);
  EXPECT_EQ(con.output, "Error: No drives specified\r\nError: No drives specified\r\n");
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_EQ(sys.dirOpens, 0);
}

TEST_F(CommandLineScan, EscCancelsOneDriveOnly) {
  for (int i = 0; i < 100; ++i) sys.AddDir("E:\\D" + std::to_string(i));
  con.Type("\x1b");
  EXPECT_EQ(Run("/SFE"), 0);
  EXPECT_EQ(con.output,
            "Scanning drive E: canceled\r\nScanning drive F:\r\n2 drive(s) scanned\r\n");
  std::vector<std::string> lines = ScanFileLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l[0] == 'E'; }),
            2);
}

TEST_F(CommandLineScan, AScanAtTheLimitSaysSoOnTheNextLine) {
  MaxDirsPerDrive = 3;  // E holds 2 entries, F 4
  EXPECT_EQ(Run("/SFE"), 0);
  EXPECT_EQ(con.output,
            "Scanning drive E:\r\nScanning drive F:\r\n"
            "Drive F: stopped at the limit, 3 directories kept\r\n2 drive(s) scanned\r\n");
}

TEST_F(CommandLineScan, DirectoriesLeftOutAreNamedRightAfterTheirDrive) {
  sys.dirs["E:"].push_back(DirEntry{"*z", kAttrDirectory});
  EXPECT_EQ(Run("/SFE"), 0);
  EXPECT_EQ(con.output,
            "Scanning drive E:\r\n1 directory left out: its name begins with * at the "
            "root\r\nScanning drive F:\r\n2 drive(s) scanned\r\n");
  EXPECT_EQ(sys.files[ScanFilePath()].find("*z"), std::string::npos);
}

TEST_F(CommandLineScan, MissingFileIsCreatedAndFailuresAreReportedNotCounted) {
  sys.files.erase(ScanFilePath());
  EXPECT_EQ(Run("/SF"), 0);
  EXPECT_EQ(ScanFileLines(), kNewF);

  const std::string old = sys.files[ScanFilePath()];
  con.output.clear();
  sys.readOnly.insert(ScanFilePath());
  EXPECT_EQ(Run("/SE"), 0);
  EXPECT_EQ(con.output, "Error opening C:\\KS\\KS.DAT\r\n");
  sys.readOnly.clear();

  con.output.clear();
  sys.failReplace = true;
  EXPECT_EQ(Run("/SE"), 0);
  EXPECT_EQ(con.output, "Scanning drive E:\r\nUnable to modify C:\\KS\\KS.DAT\r\n");
  EXPECT_EQ(sys.files[ScanFilePath()], old);
}

}  // namespace
