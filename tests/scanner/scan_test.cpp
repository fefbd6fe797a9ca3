#include "scanner/scan.h"

#include "crt32/console.h"
#include "fixture.h"

namespace {

class Scan : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    sys.SetDrive('D');
    scanner.quietScan = true;
  }
  // Scans drive D from a fresh list, as a drive's rescan does.
  void ScanD() {
    scanner.scanList = {"", "D:\\"};
    scanner.scanCount = 1;
    scanner.scanCanceled = false;
    ScanDirectory("D:");
  }
  std::vector<std::string> Found() const {
    return std::vector<std::string>(scanner.scanList.begin() + 2,
                                    scanner.scanList.end());
  }
  void AddRawEntry(const std::string& dir, const std::string& name, uint32_t attributes) {
    sys.dirs[dir].push_back(DirEntry{name, attributes});
  }
};

TEST_F(Scan, PreOrderInEnumerationOrderAndTheFilterOfHiddenAndSystem) {
  sys.AddDir("D:\\ZED");
  sys.AddDir("D:\\ZED\\b");
  sys.AddDir("D:\\ZED\\b\\deep");
  sys.AddDir("D:\\ZED\\a");
  sys.AddFileEntry("D:\\ZED\\file.txt");
  sys.AddDir("D:\\HID", kAttrDirectory | kAttrHidden);
  sys.AddDir("D:\\HID\\inner");
  sys.AddDir("D:\\SYS", kAttrDirectory | kAttrSystem);
  sys.AddDir("D:\\RO", kAttrDirectory | kAttrReadOnly | kAttrArchive);
  AddRawEntry("D:", "LABEL", kAttrVolume);
  sys.AddFileEntry("D:\\secret.sys", kAttrHidden | kAttrSystem);

  ScanD();
  EXPECT_EQ(Found(), (std::vector<std::string>{
                         "D:\\ZED", "D:\\ZED\\b", "D:\\ZED\\b\\deep", "D:\\ZED\\a", "D:\\RO"}));
  EXPECT_EQ(scanner.scanCount, 6);
  EXPECT_FALSE(scanner.scanCanceled);

  scanner.scanAttributes = 63;
  ScanD();
  EXPECT_EQ(Found(), (std::vector<std::string>{
                         "D:\\ZED", "D:\\ZED\\b", "D:\\ZED\\b\\deep", "D:\\ZED\\a",
                         "D:\\HID", "D:\\HID\\inner", "D:\\SYS", "D:\\RO"}));
}

// Dot-names, links and names the scan file cannot hold are dropped with all
// they contain, whatever the attribute mask.
TEST_F(Scan, SkippedNamesTakeTheirSubtreesWithThem) {
  for (uint16_t mask : {16, 63}) {
    sys.dirs.clear();
    sys.SetDrive('D');
    sys.AddDir("D:\\.cache");
    sys.AddDir("D:\\.cache\\big");
    sys.AddDir("D:\\keep");
    AddRawEntry("D:", ".", kAttrDirectory);
    AddRawEntry("D:", "..", kAttrDirectory);
    // A link back to the root: entering it would never end.
    AddRawEntry("D:\\keep", "loop", kAttrDirectory | kAttrReparsePoint);
    sys.dirs["D:\\keep\\loop"] = sys.dirs["D:"];
    AddRawEntry("D:", "junction", kAttrDirectory | kAttrReparsePoint | kAttrHidden);
    for (const char* bad : {"cr\rx", "lf\nx", "eof\x1ax", "a\\b", ""}) {
      AddRawEntry("D:", bad, kAttrDirectory);
      sys.dirs[std::string("D:\\") + bad] = {DirEntry{"child", kAttrDirectory}};
    }
    sys.AddDir("D:\\keep\\sub");
    scanner.scanAttributes = mask;
    sys.dirOpens = 0;
    ScanD();
    EXPECT_EQ(Found(), (std::vector<std::string>{"D:\\keep", "D:\\keep\\sub"}))
        << "mask " << mask;
    EXPECT_EQ(sys.dirOpens, 3) << "only the root, keep and keep\\sub are read";
  }
}

// What the file cannot name is counted by why, in either walk; what a scan
// would skip anyway (hidden under 16, links, files) is not.
TEST_F(Scan, DirectoriesLeftOutForTheirNamesAreCountedByWhy) {
  sys.nameCodePage = 1252;
  sys.AddDir("D:\\keep\\*inner");  // a star below the first level is stored
  AddRawEntry("D:", "", kAttrDirectory);  // no name in the code page
  AddRawEntry("D:", "", kAttrDirectory | kAttrHidden);
  AddRawEntry("D:", "", kAttrDirectory | kAttrReparsePoint);
  AddRawEntry("D:", "a\\b", kAttrDirectory);
  sys.dirs["D:\\a\\b"] = {DirEntry{"below", kAttrDirectory}};
  AddRawEntry("D:\\keep", "c\\d", kAttrArchive);  // a file
  AddRawEntry("D:", "*x", kAttrDirectory);
  for (int threads : {1, 4}) {
    SetScanThreads(threads);
    scanner.scanAttributes = 16;
    ScanD();
    EXPECT_EQ(Found(), (std::vector<std::string>{"D:\\keep", "D:\\keep\\*inner"}));
    EXPECT_EQ(ScanLeftOutText(),
              "3 directories left out: their names do not fit code page 1252, or hold "
              "a backslash, or begin with * at the root")
        << threads << " threads";
    scanner.scanAttributes = 63;
    ScanD();
    EXPECT_EQ(ScanLeftOutText().substr(0, 24), "4 directories left out: ");
  }
  sys.dirs["D:"].erase(sys.dirs["D:"].begin() + 1, sys.dirs["D:"].end() - 1);
  ScanD();
  EXPECT_EQ(ScanLeftOutText(), "1 directory left out: its name begins with * at the root");
  sys.dirs["D:"].pop_back();
  ScanD();
  EXPECT_EQ(ScanLeftOutText(), "");
}

TEST_F(Scan, UnreadableDirectoriesStayListedAndAnUnreadableRootYieldsNothing) {
  sys.AddDir("D:\\locked\\inside");
  sys.AddDir("D:\\open");
  sys.unreadable.insert("D:\\locked");
  ScanD();
  EXPECT_EQ(Found(), (std::vector<std::string>{"D:\\locked", "D:\\open"}));

  scanner.quietScan = false;
  con.Type("");
  sys.unreadable.insert("D:");
  ScanD();
  EXPECT_EQ(scanner.scanCount, 1);
  EXPECT_EQ(scanner.scanList, (std::vector<std::string>{"", "D:\\"}));
  EXPECT_EQ(con.output, "");  // no count shown
}

TEST_F(Scan, RunningCountAtColumn55RightAlignedAndOnlyWhenNotQuiet) {
  for (int i = 0; i < 1200; ++i) sys.AddDir("D:\\d" + std::to_string(i));
  ScanD();
  EXPECT_EQ(con.output, "");
  EXPECT_EQ(con.Row(24), std::string(80, ' '));

  scanner.quietScan = false;
  con.attribute = 0x5F;
  ScanD();
  // The first number shown counts the root too; the last is the total.
  EXPECT_EQ(con.output.substr(0, 3), "  2");
  EXPECT_EQ(con.Text(55, 24, 5), "1201 ");
  EXPECT_EQ(con.Attr(55, 24), 0x5F);
  EXPECT_EQ(con.Text(0, 24, 55), std::string(55, ' '));

  sys.dirs.clear();
  sys.SetDrive('D');
  sys.AddDir("D:\\a");
  sys.AddDir("D:\\b");
  MoveCursor(0, 24);
  ClearToLineEnd();
  ScanD();
  EXPECT_EQ(con.Text(55, 24, 4), "  3 ");
}

TEST_F(Scan, StopsAtTheLimitWithThe9999thDirectoryFoundAsTheLast) {
  MaxDirsPerDrive = 10000;  // the default's rule at a size a test can build
  // 110 directories of 100 subdirectories: 11110 in all, in pre-order.
  std::vector<std::string> preOrder;
  for (int i = 0; i < 110; ++i) {
    std::string top = "D:\\t" + std::to_string(i);
    sys.AddDir(top);
    preOrder.push_back(top);
    for (int j = 0; j < 100; ++j) {
      sys.AddDir(top + "\\s" + std::to_string(j));
      preOrder.push_back(top + "\\s" + std::to_string(j));
    }
  }
  sys.dirOpens = 0;
  ScanD();
  ASSERT_EQ(scanner.scanCount, MaxDirsPerDrive);
  ASSERT_EQ(scanner.scanList.size(), static_cast<size_t>(MaxDirsPerDrive) + 1);
  EXPECT_EQ(scanner.scanList.back(), preOrder[9998]);
  EXPECT_EQ(Found(), std::vector<std::string>(preOrder.begin(), preOrder.begin() + 9999));
  // The root and every directory found were opened, nothing after the last.
  EXPECT_EQ(sys.dirOpens, MaxDirsPerDrive);
  EXPECT_FALSE(scanner.scanCanceled);
}

class ScanKeys : public Scan {
 protected:
  // A chain 300 levels deep, each level with 3 more directories after it.
  void DeepTree() {
    std::string path = "D:";
    for (int level = 0; level < 300; ++level) {
      sys.AddDir(path + "\\deep");
      for (int k = 0; k < 3; ++k) sys.AddDir(path + "\\x" + std::to_string(k));
      path += "\\deep";
    }
  }
};

TEST_F(ScanKeys, EscStopsEveryLevelAndKeepsWhatWasFound) {
  DeepTree();
  con.Type("\x1b");
  sys.dirOpens = 0;
  ScanD();
  EXPECT_TRUE(scanner.scanCanceled);
  EXPECT_TRUE(con.input.empty());
  // The first poll comes at the bottom of the chain; no level goes on to
  // its x directories afterwards.
  EXPECT_EQ(scanner.scanCount, 301);
  EXPECT_EQ(sys.dirOpens, 301);
  EXPECT_EQ(scanner.scanList.back(), "D:" + [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += "\\deep";
    return s;
  }());
}

TEST_F(ScanKeys, OtherKeysAreConsumedWithoutCancelling) {
  DeepTree();
  // F5, Alt-X, Ctrl-Right (extended keys) and a letter.
  con.PushKey(116);
  con.PushKey('X', 0, kLeftAltPressed);
  con.PushKey(39, 0, kLeftCtrlPressed | kEnhancedKey);
  con.Type("q");
  ScanD();
  EXPECT_FALSE(scanner.scanCanceled);
  EXPECT_EQ(scanner.scanCount, 1 + 300 * 4);
  EXPECT_TRUE(con.input.empty());

  // An Esc behind other keys still cancels.
  con.PushKey(116);
  con.Type("q\x1b");
  ScanD();
  EXPECT_TRUE(scanner.scanCanceled);
  EXPECT_EQ(scanner.scanCount, 301);
}

}  // namespace
