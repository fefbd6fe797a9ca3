#include "store/load.h"

#include <string>
#include <vector>

#include "crt32/console.h"
#include "fixture.h"

namespace {

class Loading : public KsTest {
 protected:
  // Lines of drive D: its root and `count` - 1 first-level directories.
  std::vector<std::string> FlatDrive(int count) {
    std::vector<std::string> lines = {"D:\\*stamp"};
    for (int i = 2; i <= count; ++i) lines.push_back("D:\\DIR" + std::to_string(i));
    return lines;
  }
};

TEST_F(Loading, PresenceFollowsTheDriveType) {
  for (int type = 0; type <= 7; ++type) sys.driveTypes[type + 1] = type;
  MarkPresentDrives();
  for (int type = 0; type <= 7; ++type)
    EXPECT_EQ(Drive(type + 1).present, type >= 2 && type <= 6) << "type " << type;
}

TEST_F(Loading, WorkedExampleCentresTheStartupDirectory) {
  WriteScanFile(FlatDrive(100));
  prog.anchorDrive = 4;
  prog.startupDirectory = "D:\\DIR60";
  LoadDriveTrees();
  DriveTree& d = Drive(4);
  EXPECT_EQ(d.entryCount, 100);
  EXPECT_EQ(d.currentEntry, 60);
  EXPECT_EQ(d.topEntry, 49);
  EXPECT_EQ(d.rowsUsed, 23);

  // Near the end the window stays full instead of centring.
  prog.startupDirectory = "D:\\DIR95";
  LoadDriveTrees();
  EXPECT_EQ(d.currentEntry, 95);
  EXPECT_EQ(d.topEntry, 78);

  // Near the start the window cannot begin above entry 1.
  prog.startupDirectory = "D:\\DIR5";
  LoadDriveTrees();
  EXPECT_EQ(d.currentEntry, 5);
  EXPECT_EQ(d.topEntry, 1);

  // Exact match only: another case, or a drive that is not the anchor,
  // leaves the cursor on the root.
  prog.startupDirectory = "D:\\dir60";
  LoadDriveTrees();
  EXPECT_EQ(d.currentEntry, 1);
  EXPECT_EQ(d.topEntry, 1);
  prog.startupDirectory = "D:\\DIR60";
  prog.anchorDrive = 3;
  LoadDriveTrees();
  EXPECT_EQ(d.currentEntry, 1);
}

TEST_F(Loading, ShortListAndRootStartup) {
  WriteScanFile(FlatDrive(10));
  prog.anchorDrive = 4;
  prog.startupDirectory = "D:\\DIR10";
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).rowsUsed, 10);
  EXPECT_EQ(Drive(4).currentEntry, 10);
  EXPECT_EQ(Drive(4).topEntry, 1);
  prog.startupDirectory = "D:\\";
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).currentEntry, 1);
  // 23 entries still fit the window; 24 need all its rows.
  WriteScanFile(FlatDrive(23));
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).rowsUsed, 23);
  WriteScanFile(FlatDrive(24));
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).rowsUsed, 23);
  // A reload of a shorter file leaves nothing of the longer one behind.
  WriteScanFile({"D:\\*", "D:\\NEW"});
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).paths, (std::vector<std::string>{"", "D:\\", "D:\\NEW"}));
  EXPECT_EQ(Drive(4).prefixes.size(), 3u);
}

TEST_F(Loading, MissingFileShowsPresentDrivesAsUnscannedRoots) {
  sys.SetDrive('C');
  sys.SetDrive('E', kDriveCdrom);
  MarkPresentDrives();
  LoadDriveTrees();
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& t = Drive(d);
    EXPECT_FALSE(t.scanned);
    if (d == 3 || d == 5) {
      ASSERT_EQ(t.entryCount, 1);
      EXPECT_EQ(t.paths[1], std::string(1, DriveLetter(d)) + ":");
      EXPECT_EQ(t.depths[1], 0);
      EXPECT_EQ(t.rowsUsed, 1);
    } else {
      EXPECT_EQ(t.entryCount, 0);
    }
  }
  EXPECT_EQ(con.Text(0, 24, 19), " Loading KS.DAT ...");
  EXPECT_EQ(con.Attr(0, 24), 0x5F);
  EXPECT_EQ(con.Attr(79, 24), 0x5F);
}

TEST_F(Loading, LinesBecomeEntriesWithDepthsAndStamps) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  MarkPresentDrives();
  // F is scanned but gone: still loaded.  Its root line comes second,
  // which the reader accepts.
  WriteScanFile({"D:\\*01.02.2026 10:00:00", "D:\\APPS", "D:\\APPS\\EDIT",
                 "D:\\APPS OLD", "F:\\X", "F:\\*old", "Q:\\*"});
  LoadDriveTrees();
  const DriveTree& d = Drive(4);
  EXPECT_TRUE(d.scanned);
  ASSERT_EQ(d.entryCount, 4);
  EXPECT_EQ(d.paths[1], "D:\\");
  EXPECT_EQ(d.paths[3], "D:\\APPS\\EDIT");
  EXPECT_EQ(d.depths[1], 1);
  EXPECT_EQ(d.depths[2], 1);
  EXPECT_EQ(d.depths[3], 2);
  EXPECT_EQ(d.scanStamp, "01.02.2026 10:00:00");
  EXPECT_EQ(d.prefixes.size(), 5u);

  const DriveTree& f = Drive(6);
  EXPECT_TRUE(f.scanned);
  EXPECT_FALSE(f.present);
  ASSERT_EQ(f.entryCount, 2);
  EXPECT_EQ(f.paths[2], "F:\\");
  EXPECT_EQ(f.scanStamp, "old");

  // Root-only drive with an empty stamp.
  EXPECT_EQ(Drive(17).entryCount, 1);
  EXPECT_EQ(Drive(17).paths[1], "Q:\\");
  EXPECT_EQ(Drive(17).depths[1], 1);
  EXPECT_TRUE(Drive(17).scanned);

  // C is present without lines: the synthesised root.
  EXPECT_EQ(Drive(3).paths[1], "C:");
  EXPECT_FALSE(Drive(3).scanned);
}

TEST_F(Loading, StampIsCutAt99AndSurvivesALoadWithoutRootLine) {
  std::string stamp(120, 'x');
  for (size_t i = 0; i < stamp.size(); ++i) stamp[i] = static_cast<char>('0' + i % 10);
  WriteScanFile({"D:\\*" + stamp});
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).scanStamp, stamp.substr(0, 99));
  EXPECT_EQ(Drive(4).paths[1], "D:\\");
  WriteScanFile({"D:\\ONLY"});
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).scanStamp, stamp.substr(0, 99));
  EXPECT_EQ(Drive(4).paths[1], "D:\\ONLY");
}

TEST_F(Loading, BadLinesAreSkippedAndLineEndsVary) {
  std::string& f = sys.files[ScanFilePath()];
  f = "D:\\*s\r\n\r\nd:\\lower\n1:\\digit\r@:\\at\r\n[:\\bracket\nD:\\A\nD:\\B\r"
      "D:\\C\r\n\xC4:\\high\r\nD:\\D\x1A" "D:\\AFTER\r\n";
  LoadDriveTrees();
  const DriveTree& d = Drive(4);
  ASSERT_EQ(d.entryCount, 5);
  EXPECT_EQ(d.paths[2], "D:\\A");
  EXPECT_EQ(d.paths[3], "D:\\B");
  EXPECT_EQ(d.paths[4], "D:\\C");
  EXPECT_EQ(d.paths[5], "D:\\D");
  for (int n = 1; n <= 26; ++n) {
    if (n == 4) continue;
    EXPECT_EQ(Drive(n).entryCount, 0) << n;
  }
}

TEST_F(Loading, ADriveKeepsToTheEntryLimit) {
  std::vector<std::string> lines = FlatDrive(MaxDirsPerDrive + 50);
  lines.push_back("E:\\*");
  WriteScanFile(lines);
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).entryCount, MaxDirsPerDrive);
  EXPECT_EQ(Drive(4).paths.back(), "D:\\DIR" + std::to_string(MaxDirsPerDrive));
  EXPECT_EQ(Drive(4).depths.size(), static_cast<size_t>(MaxDirsPerDrive) + 1);
  EXPECT_EQ(Drive(5).entryCount, 1);

  LoadScanLines();
  EXPECT_EQ(Drive(4).entryCount, MaxDirsPerDrive);
  EXPECT_EQ(Drive(4).paths.size(), static_cast<size_t>(MaxDirsPerDrive) + 1);
}

TEST_F(Loading, ScanLinesKeepEveryLineUnchanged) {
  WriteScanFile({"C:\\*stamp 1", "C:\\X", "", "x", "D:\\*", "C:\\LATE"});
  LoadScanLines();
  ASSERT_EQ(Drive(3).entryCount, 3);
  EXPECT_EQ(Drive(3).paths[1], "C:\\*stamp 1");
  EXPECT_EQ(Drive(3).paths[3], "C:\\LATE");
  EXPECT_TRUE(Drive(4).scanned);
  EXPECT_EQ(Drive(4).paths[1], "D:\\*");
  EXPECT_TRUE(Drive(3).prefixes.empty());

  // Without a file nothing is loaded and the lists stay as they were.
  sys.files.clear();
  LoadScanLines();
  EXPECT_EQ(Drive(3).entryCount, 0);
  EXPECT_FALSE(Drive(3).scanned);
  EXPECT_EQ(Drive(3).paths.size(), 4u);
}

}  // namespace
