#include "win32/reparse_win32.h"

#include "fixture.h"
#include "scanner/scan.h"

namespace {

constexpr uint32_t kDir = 0x10;
constexpr uint32_t kReparseDir = 0x10 | 0x400;

TEST(ReparseTag, OnlyNameSurrogatesAndUnknownTagsAreLinks) {
  struct Case {
    const char* what;
    uint32_t tag;
    bool link;
  };
  const Case cases[] = {
      {"OneDrive cloud folder", 0x9000701A, false},
      {"plain cloud placeholder", 0x9000001A, false},
      {"deduplicated folder", 0x80000013, false},
      {"junction or volume mount point", 0xA0000003, true},
      {"symbolic link", 0xA000000C, true},
      {"WSL symbolic link", 0xA000001D, true},
      {"Wine's link, no tag", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint32_t got = FindDataAttributes(kReparseDir, c.tag);
    EXPECT_EQ(got & kAttrDirectory, kAttrDirectory);
    EXPECT_EQ((got & kAttrReparsePoint) != 0, c.link);
  }
  // Without the reparse attribute the tag field means nothing.
  EXPECT_EQ(FindDataAttributes(kDir, 0xA0000003), kAttrDirectory);
  // Only the six attribute bits the scan knows pass through: a cloud
  // folder's offline and recall bits (0x1000, 0x400000) do not hide it.
  EXPECT_EQ(FindDataAttributes(kReparseDir | 0x1000 | 0x400000 | 0x01, 0x9000701A),
            kAttrDirectory | kAttrReadOnly);
}

class ReparseScan : public KsTest {};

TEST_F(ReparseScan, CloudFoldersAreScannedAndJunctionsAreNot) {
  sys.SetDrive('C');
  auto add = [&](const std::string& dir, const char* name, uint32_t tag) {
    sys.dirs[dir].push_back(DirEntry{name, FindDataAttributes(kReparseDir, tag)});
    sys.dirs[dir + "\\" + name];
  };
  add("C:", "OneDrive", 0x9000701A);
  add("C:\\OneDrive", "Documents", 0x9000701A);
  add("C:", "Documents and Settings", 0xA0000003);
  sys.dirs["C:\\Documents and Settings"].push_back(DirEntry{"x", kAttrDirectory});
  scanner.quietScan = true;
  scanner.scanList = {"", "C:\\"};
  scanner.scanCount = 1;
  ScanDirectory("C:");
  EXPECT_EQ(scanner.scanList,
            (std::vector<std::string>{"", "C:\\", "C:\\OneDrive", "C:\\OneDrive\\Documents"}));
}

}  // namespace
