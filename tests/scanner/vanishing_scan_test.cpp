// Folders that change while the scan is inside the tree: the scan keeps what
// it was shown, enters what it still can, and never fails as a whole.
#include "scanner/scan.h"
#include "scanner/sort.h"

#include <functional>

#include "fixture.h"

namespace {

// Runs `onOpen` once, when the scan first opens `trigger`.
class ChangingSystem : public TestSystem {
 public:
  std::string trigger;
  std::function<void(ChangingSystem&)> onOpen;
  bool afterListing = false;  // run once `trigger`'s listing has been taken

  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override {
    std::lock_guard<std::recursive_mutex> lock(dirMutex);
    if (onOpen && path == trigger && !afterListing) Run();
    std::unique_ptr<DirReader> reader = TestSystem::OpenDirectory(path);
    if (onOpen && path == trigger) Run();
    return reader;
  }
  void Run() {
    auto run = std::move(onOpen);
    onOpen = nullptr;
    run(*this);
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

// The same changes on the one-thread walk and with workers: whatever was
// listed before it vanished stays, nothing below it is invented.
TEST_F(VanishingScan, OneThreadAndWorkersKeepTheSameTree) {
  struct Case {
    const char* trigger;
    const char* removed;
    std::vector<std::string> want;
  };
  for (const Case& c : {Case{"D:", "D:\\B", {"D:\\A", "D:\\A\\A1", "D:\\B", "D:\\C", "D:\\C\\C1"}},
                        Case{"D:\\B", "D:\\B\\B1", {"D:\\A", "D:\\A\\A1", "D:\\B", "D:\\B\\B1",
                                                  "D:\\C", "D:\\C\\C1"}}}) {
    for (int threads : {1, 2, 4}) {
      changing.dirs.clear();
      changing.SetDrive('D');
      for (const char* p : {"D:\\A\\A1", "D:\\B\\B1\\B2", "D:\\C\\C1"}) changing.AddDir(p);
      changing.trigger = c.trigger;
      changing.afterListing = true;
      std::string removed = c.removed;
      changing.onOpen = [removed](ChangingSystem& s) { s.Remove(removed); };
      SetScanThreads(threads);
      ScanD();
      SortScanList();
      EXPECT_EQ(std::vector<std::string>(scanner.scanList.begin() + 2, scanner.scanList.end()),
                c.want)
          << c.removed << ", " << threads << " threads";
      EXPECT_EQ(ScanFailure(), "");
    }
  }
}

}  // namespace
