#include "store/load.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fixture.h"

namespace {

using Loading = KsTest;

// Drive D: its root and `count` - 1 first-level directories.
std::vector<std::string> FlatDrive(int count) {
  std::vector<std::string> lines = {"D:\\*stamp"};
  for (int i = 2; i <= count; ++i) lines.push_back("D:\\DIR" + std::to_string(i));
  return lines;
}

TEST_F(Loading, CursorPlacementCentresTheStartupDirectory) {
  struct Case {
    int entries;
    std::string startup;
    int anchor, current, top, rows;
  } cases[] = {
      {100, "D:\\DIR60", 4, 60, 49, 23},  // centred
      {100, "D:\\DIR95", 4, 95, 78, 23},  // the window stays full at the end
      {100, "D:\\DIR5", 4, 5, 1, 23},     // and cannot start above entry 1
      {100, "D:\\dir60", 4, 1, 1, 23},    // exact match only
      {100, "D:\\DIR60", 3, 1, 1, 23},    // only on the anchor drive
      {10, "D:\\DIR10", 4, 10, 1, 10},    // a short list
      {10, "D:\\", 4, 1, 1, 10},          // the root
      {23, "D:\\", 4, 1, 1, 23},
      {24, "D:\\", 4, 1, 1, 23},
  };
  for (const Case& c : cases) {
    WriteScanFile(FlatDrive(c.entries));
    prog.anchorDrive = c.anchor;
    prog.startupDirectory = c.startup;
    LoadDriveTrees();
    const DriveTree& d = Drive(4);
    EXPECT_EQ(d.entryCount, c.entries);
    EXPECT_EQ(d.currentEntry, c.current) << c.startup;
    EXPECT_EQ(d.topEntry, c.top) << c.startup;
    EXPECT_EQ(d.rowsUsed, c.rows) << c.entries;
  }
  // A reload of a shorter file leaves nothing of the longer one behind.
  WriteScanFile({"D:\\*", "D:\\NEW"});
  LoadDriveTrees();
  EXPECT_EQ(PathsOf(Drive(4).paths), (std::vector<std::string>{"", "D:\\", "D:\\NEW"}));
  EXPECT_EQ(PrefixesOf(4).size(), 3u);
}

TEST_F(Loading, MissingFileShowsPresentDrivesAsUnscannedRoots) {
  sys.SetDrive('C');
  sys.SetDrive('E', kDriveCdrom);
  sys.driveTypes[6] = kDriveUnknown;
  MarkPresentDrives();
  LoadDriveTrees();
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& t = Drive(d);
    EXPECT_FALSE(t.scanned);
    if (d != 3 && d != 5) {
      EXPECT_EQ(t.entryCount, 0);
      continue;
    }
    ASSERT_EQ(t.entryCount, 1);
    EXPECT_EQ(t.paths[1], std::string(1, DriveLetter(d)) + ":");
    EXPECT_EQ(t.depths[1], 0);
  }
  EXPECT_EQ(con.Text(0, 24, 20), " Loading KS.DAT ... ");
  EXPECT_EQ(con.Attr(79, 24), 0x5F);
}

TEST_F(Loading, LinesBecomeEntriesWithDepthsAndStamps) {
  sys.SetDrive('C');
  sys.SetDrive('D');
  MarkPresentDrives();
  std::string longStamp;
  for (int i = 0; i < 120; ++i) longStamp += static_cast<char>('0' + i % 10);
  // F is scanned but absent, and its root line is not its first line.
  WriteScanFile({"D:\\*01.02.2026 10:00:00", "D:\\APPS", "D:\\APPS\\EDIT",
                 "D:\\APPS OLD", "F:\\X", "F:\\*" + longStamp, "Q:\\*"});
  LoadDriveTrees();
  const DriveTree& d = Drive(4);
  EXPECT_TRUE(d.scanned);
  EXPECT_EQ(PathsOf(d.paths), (std::vector<std::string>{"", "D:\\", "D:\\APPS", "D:\\APPS\\EDIT", "D:\\APPS OLD"}));
  EXPECT_EQ(d.depths, (std::vector<uint16_t>{0, 1, 1, 2, 1}));
  EXPECT_EQ(d.scanStamp, "01.02.2026 10:00:00");
  const DriveTree& f = Drive(6);
  EXPECT_TRUE(f.scanned);
  EXPECT_EQ(PathsOf(f.paths), (std::vector<std::string>{"", "F:\\X", "F:\\"}));
  EXPECT_EQ(f.scanStamp, longStamp.substr(0, 99));
  EXPECT_EQ(PathsOf(Drive(17).paths), (std::vector<std::string>{"", "Q:\\"}));
  EXPECT_EQ(Drive(17).depths[1], 1);
  EXPECT_EQ(Drive(3).paths[1], "C:");  // present without lines
  EXPECT_FALSE(Drive(3).scanned);

  // A load without a root line for F keeps its old stamp.
  WriteScanFile({"F:\\ONLY"});
  LoadDriveTrees();
  EXPECT_EQ(f.scanStamp, longStamp.substr(0, 99));
  EXPECT_EQ(f.paths[1], "F:\\ONLY");
}

// Lines longer than the sixteen bytes a sweep takes, with backslashes in
// every place: depth and name initial as a byte-by-byte look gives them.
TEST_F(Loading, DepthsAndInitialsOfLongLinesFollowTheirBackslashes) {
  sys.SetDrive('D');
  MarkPresentDrives();
  std::mt19937 rng(8);
  std::vector<std::string> lines = {"D:\\*stamp"};
  for (int i = 0; i < 400; ++i) {
    std::string line = "D:\\";
    const size_t length = 4 + rng() % 70;
    while (line.size() < length) line += "\\ab"[rng() % 3];
    lines.push_back(line);
  }
  lines.push_back("D:" + std::string(40, '\\'));  // sixteen in a sweep
  WriteScanFile(lines);
  LoadDriveTrees();
  const DriveTree& d = Drive(4);
  ASSERT_EQ(d.entryCount, 402);
  for (int e = 2; e <= d.entryCount; ++e) {
    const std::string_view path = d.paths[static_cast<size_t>(e)];
    ASSERT_EQ(LastBackslash(path), path.rfind('\\')) << path;
    EXPECT_EQ(d.depths[static_cast<size_t>(e)], std::count(path.begin(), path.end(), '\\')) << path;
    const std::string_view name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ(d.paths.Initials()[e], name.empty() ? '\0' : UpperAscii(name[0])) << path;
  }
}

// Older scans wrote a first-level "*x" as "D:\\*x": after the drive's root
// line it is that directory, in both loaders, never another root.
TEST_F(Loading, OnlyADrivesFirstRootLikeLineIsItsRoot) {
  sys.SetDrive('D');
  MarkPresentDrives();
  const std::vector<std::string> lines = {"D:\\*01.02.2026 10:00:00", "D:\\*x", "D:\\*x\\sub",
                                          "D:\\y"};
  WriteScanFile(lines);
  LoadDriveTrees();
  const DriveTree& d = Drive(4);
  EXPECT_EQ(PathsOf(d.paths), (std::vector<std::string>{"", "D:\\", "D:\\*x", "D:\\*x\\sub", "D:\\y"}));
  EXPECT_EQ(d.depths, (std::vector<uint16_t>{0, 1, 1, 2, 1}));
  EXPECT_EQ(d.scanStamp, "01.02.2026 10:00:00");

  LoadScanLines();
  EXPECT_EQ(PathsOf(Drive(4).paths), (std::vector<std::string>{"", "D:\\", "D:\\*x", "D:\\*x\\sub", "D:\\y"}));
}

TEST_F(Loading, BadLinesAreSkippedAndLineEndsVary) {
  sys.files[ScanFilePath()] =
      "D:\\*s\r\n\r\nd:\\lower\n1:\\digit\r@:\\at\r\n[:\\bracket\nD:\\A\nD:\\B\r"
      "D:\\C\r\n\xC4:\\high\r\nD:\\D\x1A" "D:\\AFTER\r\n";
  LoadDriveTrees();
  EXPECT_EQ(PathsOf(Drive(4).paths), (std::vector<std::string>{"", "D:\\", "D:\\A", "D:\\B", "D:\\C", "D:\\D"}));
  for (int n = 1; n <= 26; ++n) {
    if (n == 4) continue;
    EXPECT_EQ(Drive(n).entryCount, 0) << n;
  }
}

TEST_F(Loading, ADriveKeepsToTheEntryLimit) {
  MaxDirsPerDrive = 1000;  // the same rule as the default, at a size a test can write
  std::vector<std::string> lines = FlatDrive(MaxDirsPerDrive + 50);
  lines.push_back("E:\\*");
  WriteScanFile(lines);
  LoadDriveTrees();
  EXPECT_EQ(Drive(4).entryCount, MaxDirsPerDrive);
  EXPECT_EQ(Drive(4).paths.back(), "D:\\DIR" + std::to_string(MaxDirsPerDrive));
  EXPECT_EQ(Drive(4).depths.size(), static_cast<size_t>(MaxDirsPerDrive) + 1);
  EXPECT_EQ(Drive(5).entryCount, 1);
  LoadScanLines();
  EXPECT_EQ(Drive(4).paths.size(), static_cast<size_t>(MaxDirsPerDrive) + 1);
}

// A file read in two parts at once loads as it does read whole, wherever
// the second part begins: roots on either side, a Ctrl-Z, mixed line ends,
// bad lines, lines longer than a read, and the entry limit.
TEST_F(Loading, TwoPartsLoadWhatTheWholeFileLoads) {
  for (char letter : {'C', 'D', 'E'}) sys.SetDrive(letter);
  std::mt19937 rng(23);
  auto text = [&](size_t length) {
    std::string t;
    while (t.size() < length) t += "ab\\*"[rng() % 4];
    return t;
  };
  auto load = [&](bool tree, int64_t twoPartBytes) {
    drives = DriveTable{};
    MarkPresentDrives();
    TwoPartLoadBytes = twoPartBytes;
    tree ? LoadDriveTrees() : LoadScanLines();
    std::vector<std::string> seen;
    for (int d = 1; d <= 26; ++d) {
      const DriveTree& t = Drive(d);
      seen.push_back(std::to_string(t.entryCount) + (t.scanned ? "+" : "-") + t.scanStamp);
      for (const std::string& path : PathsOf(t.paths)) seen.push_back(path);
      for (uint16_t depth : t.depths) seen.push_back(std::to_string(depth));
      if (tree) seen.emplace_back(t.paths.Initials(), t.paths.size());
    }
    return seen;
  };
  const char* ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\r\n"};
  for (int round = 0; round < 100; ++round) {
    std::string file;
    const int lines = 2 + static_cast<int>(rng() % 40);
    for (int i = 0; i < lines; ++i) {
      const std::string drive = std::string(1, "CDEd1"[rng() % 5]) + ":\\";
      switch (rng() % 8) {
        case 0: file += drive + "*" + text(rng() % 3 == 0 ? 120 : 8); break;
        case 1: file += rng() % 2 ? "" : "x"; break;
        case 2: file += drive + text(rng() % 40 == 0 ? 70000 : 5000); break;
        default: file += drive + text(1 + rng() % 20); break;
      }
      file += ends[rng() % 5];
    }
    if (rng() % 10 == 0) file.insert(rng() % file.size(), 1, '\x1A');
    sys.files[ScanFilePath()] = file;
    MaxDirsPerDrive = rng() % 8 == 0 ? 4 : kDefaultMaxDirsPerDrive;
    for (bool tree : {true, false})
      ASSERT_EQ(load(tree, 0), load(tree, INT64_MAX)) << "round " << round << (tree ? " tree" : "");
  }
  TwoPartLoadBytes = kDefaultTwoPartLoadBytes;
}

TEST_F(Loading, ScanLinesKeepEveryLineUnchanged) {
  WriteScanFile({"C:\\*stamp 1", "C:\\X", "", "x", "D:\\*", "C:\\LATE"});
  LoadScanLines();
  EXPECT_EQ(PathsOf(Drive(3).paths), (std::vector<std::string>{"", "C:\\", "C:\\X", "C:\\LATE"}));
  EXPECT_EQ(Drive(3).scanStamp, "stamp 1");
  EXPECT_TRUE(Drive(4).scanned);
  // Without a file nothing is loaded and the lists stay as they were.
  sys.files.clear();
  LoadScanLines();
  EXPECT_EQ(Drive(3).entryCount, 0);
  EXPECT_FALSE(Drive(3).scanned);
  EXPECT_EQ(Drive(3).paths.size(), 4u);
}

}  // namespace
