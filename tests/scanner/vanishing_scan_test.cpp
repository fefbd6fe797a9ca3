// Folders that change while the scan is inside the tree: the scan keeps what
// it was shown, enters what it still can, and never fails as a whole.
#include "scanner/scan.h"

#include <functional>

#include "fixture.h"

namespace {

// Runs `onOpen` once, when the scan first opens `trigger`.
class ChangingSystem : public TestSystem {
 public:
  std::string trigger;
  std::function<void(ChangingSystem&)> onOpen;

  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override {
    if (onOpen && path == trigger) {
      auto run = std::move(onOpen);
      onOpen = nullptr;
      run(*this);
    }
    return TestSystem::OpenDirectory(path);
  }

  // Removes a folder and all below it, and its entry in the parent listing.
  void Remove(const std::string& path) {
    for (auto it = dirs.begin(); it != dirs.end();) {
      if (it->first == path || it->first.rfind(path + "\\", 0) == 0)
        it = dirs.erase(it);
      else
        ++it;
    }
    size_t slash = path.rfind('\\');
    auto& parent = dirs[path.substr(0, slash)];
    std::string name = path.substr(slash + 1);
    for (auto it = parent.begin(); it != parent.end(); ++it)
      if (it->name == name) {
        parent.erase(it);
        break;
      }
  }
};

class VanishingScan : public KsTest {
 protected:
  ChangingSystem changing;

  void SetUp() override {
    KsTest::SetUp();
    theSystem = &changing;
    changing.SetDrive('D');
    scanner.quietScan = true;
    scanner.scanAttributes = 16;
    for (const char* p : {"D:\\A\\A1", "D:\\B\\B1\\B2", "D:\\C\\C1"})
      changing.AddDir(p);
  }
  std::vector<std::string> ScanD() {
    scanner.scanList = {"", "D:\\"};
    scanner.scanCount = 1;
    scanner.scanCanceled = false;
    ScanDirectory("D:");
    return std::vector<std::string>(scanner.scanList.begin() + 2,
                                    scanner.scanList.end());
  }
};

// The root's listing was read before B went away: B stays listed (a later
// jump to it reports the failure), nothing below it is invented, and the
// folders after it are still scanned.
TEST_F(VanishingScan, FolderRemovedAfterItsParentWasListed) {
  changing.trigger = "D:\\A";
  changing.onOpen = [](ChangingSystem& s) { s.Remove("D:\\B"); };
  EXPECT_EQ(ScanD(), (std::vector<std::string>{"D:\\A", "D:\\A\\A1", "D:\\B",
                                               "D:\\C", "D:\\C\\C1"}));
}

// Removed from under the scan while inside it (B's listing is already open
// when B1 goes), and a whole later branch removed together with the
// folder being entered.
TEST_F(VanishingScan, BranchesRemovedDuringTheirOwnScan) {
  changing.trigger = "D:\\B\\B1";
  changing.onOpen = [](ChangingSystem& s) {
    s.Remove("D:\\B\\B1");
    s.Remove("D:\\C");
  };
  EXPECT_EQ(ScanD(), (std::vector<std::string>{"D:\\A", "D:\\A\\A1", "D:\\B",
                                               "D:\\B\\B1", "D:\\C"}));
  EXPECT_EQ(scanner.scanCount, 6);
  EXPECT_FALSE(scanner.scanCanceled);
}

// A folder added during the scan shows up only if its parent is read after.
TEST_F(VanishingScan, FolderAddedDuringTheScan) {
  changing.trigger = "D:\\B";
  changing.onOpen = [](ChangingSystem& s) {
    s.AddDir("D:\\A\\LATE");  // A was read already
    s.AddDir("D:\\C\\NEW");   // C is still to come
  };
  EXPECT_EQ(ScanD(), (std::vector<std::string>{"D:\\A", "D:\\A\\A1", "D:\\B",
                                               "D:\\B\\B1", "D:\\B\\B1\\B2",
                                               "D:\\C", "D:\\C\\C1", "D:\\C\\NEW"}));
}

}  // namespace
