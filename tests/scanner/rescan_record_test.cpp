// Incremental rescans against full scans, on a real tree walked by the POSIX
// backend; KS.DAT and the drive records live in the in-memory system.
#ifndef _WIN32

#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <random>

#include "fixture.h"
#include "scanner/dir_record.h"
#include "scanner/incremental.h"
#include "scanner/refresh.h"
#include "scanner/rescan.h"
#include "scanner/scan.h"
#include "scanner/stat_prefetch.h"
#include "store/load.h"
#include "posix/walk_posix.h"

namespace fs = std::filesystem;

namespace {

class RealTreeSystem : public TestSystem {
 public:
  std::string root;
  int64_t clockShift = 0;
  OpenedWalk OpenWalk(const std::string& path) override {
    std::string host = root + path.substr(2);
    for (char& c : host)
      if (c == '\\') c = '/';
    return OpenPosixWalk(host);
  }
  int64_t StampClock() override {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec + clockShift;
  }
};

class RescanRecord : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    char pattern[] = "/tmp/ks95-rescan-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    real.root = pattern;
    real.SetDrive('D');
    theSystem = &real;
    MarkPresentDrives();
    scanner.quietScan = true;
    scanner.dotNamesHidden = true;  // as the POSIX build scans
    // Far above the file system's clock tick, far below the test's pace.
    RacyWindowNs = 50000000;
    unsetenv("KS95_RESCAN");
    // A wide directory's status calls are shared with a second thread, and
    // chunks this small give the helper a part on these small trees.
    SetScanThreads(2);
    PrefetchChunkLines = 4;
  }
  void TearDown() override {
    RacyWindowNs = kDefaultRacyWindowNs;
    PrefetchChunkLines = kDefaultPrefetchChunk;
    unsetenv("KS95_RESCAN");
    std::error_code ignored;
    fs::remove_all(real.root, ignored);
    KsTest::TearDown();
  }

  std::string& ScanFile() { return real.files[ScanFilePath()]; }
  std::string& Record() { return real.files[DirRecordPath(4)]; }

  // KS.DAT after a rescan of D: as the record allows, or walked plainly.
  std::string Rescan(bool plain, uint16_t attributes = 16) {
    if (plain) setenv("KS95_RESCAN", "off", 1);
    scanner.scanAttributes = attributes;
    ScanDrivesFromCommandLine("D");
    unsetenv("KS95_RESCAN");
    return ScanFile();
  }

  // Every directory below the root (links not followed).
  std::vector<fs::path> Dirs() {
    std::vector<fs::path> out{fs::path(real.root)};
    for (auto it = fs::recursive_directory_iterator(real.root); it != fs::end(it); ++it)
      if (!it->is_symlink() && it->is_directory()) out.push_back(it->path());
    return out;
  }

  RealTreeSystem real;
};

const char* const kNames[] = {"a", "A", "b", "Bin", "bin", "src", "APPS", "APPS OLD",
                              "x_1", ".git", ".cache", "Zoo", "\xC4rger", "lib"};

TEST_F(RescanRecord, RandomChangesGiveWhatAFullScanGives) {
  std::mt19937 rng(20261208);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  auto name = [&] {
    return std::string(kNames[pick(sizeof kNames / sizeof *kNames)]) + std::to_string(pick(4));
  };
  for (int i = 0; i < 40; ++i) fs::create_directories(real.root + "/wide/w" + std::to_string(i));
  for (int i = 0; i < 300; ++i) {
    std::vector<fs::path> dirs = Dirs();
    std::error_code err;
    fs::create_directory(dirs[pick(dirs.size())] / name(), err);
  }
  Rescan(false);
  // The thread-sanitizer run asks for fewer rounds: it checks the threads,
  // the other runs the reuse.
  const char* asked = std::getenv("KS95_RESCAN_ROUNDS");
  const int rounds = asked ? std::atoi(asked) : 300;
  long reused = 0;
  for (int round = 0; round < rounds; ++round) {
    std::vector<fs::path> dirs = Dirs();
    std::error_code err;
    for (int k = 0; dirs.size() < 2; ++k) {
      fs::create_directory(dirs[0] / ("kept" + std::to_string(k)), err);
      dirs = Dirs();
    }
    const fs::path d = dirs[pick(dirs.size())];
    const fs::path sub = dirs[1 + pick(dirs.size() - 1)];
    // Now and then every directory grows old enough to be reused.
    if (round % 20 == 0) usleep(60000);
    switch (pick(10)) {
      case 0: fs::create_directory(d / name(), err); break;
      case 8: fs::create_directories(d / name() / name() / name(), err); break;
      case 9: fs::create_directories(d / name() / name(), err); break;
      case 1: fs::remove_all(sub, err); break;
      case 2: fs::rename(sub, sub.parent_path() / name(), err); break;
      case 3: fs::rename(sub, d / name(), err); break;  // into itself: refused
      case 4: {  // a dot-name in or out
        std::string n = sub.filename().string();
        fs::rename(sub, sub.parent_path() / (n[0] == '.' ? n.substr(1) : "." + n), err);
        break;
      }
      case 5: {  // changed, then its times set back as `touch -d` would
        struct stat before;
        ASSERT_EQ(stat(d.c_str(), &before), 0);
        fs::create_directory(d / name(), err);
        struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, d.c_str(), times, 0), 0);
        break;
      }
      case 6: {  // a directory replaced by a link to another
        fs::remove_all(sub, err);
        fs::create_directory_symlink(d, sub, err);
        break;
      }
      default: {  // a file where a directory could have been
        std::string file = (d / name()).string();
        close(open(file.c_str(), O_CREAT | O_WRONLY, 0644));
        break;
      }
    }
    const uint16_t attributes = pick(4) == 0 ? 63 : 16;
    const std::string incremental = Rescan(false, attributes);
    const ScanFigures figures = LastScanFigures();
    ASSERT_FALSE(figures.whole) << figures.why << ", round " << round;
    reused += figures.reused;
    const std::string record = Record();
    ASSERT_EQ(incremental, Rescan(true, attributes)) << "round " << round;
    // The plain walk leaves the record alone.
    ASSERT_EQ(Record(), record);
  }
  // Most directories were reused, not read.
  EXPECT_GT(reused, rounds * 100L);
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(RescanRecord, DoubtfulRecordsWalkWhole) {
  for (const char* d : {"a/b/c", "a/d", ".h/x", "e"}) fs::create_directories(real.root + "/" + d);
  Rescan(false, 63);
  usleep(60000);
  Rescan(false, 63);
  ASSERT_FALSE(LastScanFigures().whole);
  const std::string good = Record();
  fs::create_directory(real.root + "/a/new");
  const std::string expected = Rescan(true, 63);

  struct Case {
    const char* why;
    std::function<void()> spoil;
  };
  std::vector<Case> cases = {
      {"no record", [&] { real.files.erase(DirRecordPath(4)); }},
      {"not a record", [&] { Record().resize(10); }},
      {"record damaged", [&] { Record().resize(Record().size() - 1); }},
      {"record damaged", [&] { Record()[30] ^= 0x40; }},
      {"record of another version", [&] { Record()[4] = 9; }},
      {"record of another drive", [&] { Record()[5] = 'E'; }},
      {"drive map changed", [&] { real.driveMapText = "KS95_DRIVES=\"D=/elsewhere\""; }},
      {"clock went back", [&] { real.clockShift = -3600000000000LL; }},
      {"drive lines changed", [&] {
         ScanFile().insert(ScanFile().find("D:\\a\r\n"), "D:\\Zz\r\n");
       }},
  };
  for (const Case& c : cases) {
    ScanFile() = expected;
    Record() = good;
    real.driveMapText.clear();
    real.clockShift = 0;
    c.spoil();
    // The version and drive cases are caught after the checksum: mend it.
    if (c.why == std::string("record of another version") ||
        c.why == std::string("record of another drive")) {
      std::string& r = Record();
      const uint64_t h = RecordChecksum(std::string_view(r.data(), r.size() - 8));
      for (int i = 0; i < 8; ++i) r[r.size() - 8 + i] = static_cast<char>(h >> (8 * i));
    }
    EXPECT_EQ(Rescan(false, 63), expected) << c.why;
    EXPECT_TRUE(LastScanFigures().whole) << c.why;
    EXPECT_EQ(LastScanFigures().why, c.why);
  }
  // Asked for: the whole walk, and a fresh record for the next rescan.
  setenv("KS95_RESCAN", "full", 1);
  ScanDrivesFromCommandLine("D");
  EXPECT_TRUE(LastScanFigures().whole);
  EXPECT_EQ(ScanFile(), expected);
  EXPECT_TRUE(real.FileExists(DirRecordPath(4)));
}

// The record is written in pieces and read back whole: its checksum must
// come out the same however the pieces fall.
TEST_F(RescanRecord, ARecordWrittenInManyPiecesIsReused) {
  for (int i = 0; i < 7001; ++i)
    fs::create_directories(real.root + "/p" + std::to_string(i / 100) + "/d" + std::to_string(i));
  Rescan(false);
  usleep(60000);
  const std::string first = Rescan(false);
  ASSERT_GT(Record().size(), 65536u);
  EXPECT_FALSE(LastScanFigures().whole) << LastScanFigures().why;
  EXPECT_EQ(Rescan(true), first);
  // Unchanged since: nothing is read, whichever thread made a status call,
  // and the record is not written again.
  const std::string record = Record();
  EXPECT_EQ(Rescan(false), first);
  EXPECT_EQ(LastScanFigures().read, 0);
  EXPECT_EQ(LastScanFigures().reused, 7001 + 71 + 1);
  EXPECT_EQ(Record(), record);
  // A file changes a folder's times but no line: the record must take the
  // new times, or that folder is read on every rescan.
  std::ofstream(real.root + "/p9/d999/file").put('x');
  usleep(60000);
  EXPECT_EQ(Rescan(false), first);
  EXPECT_EQ(LastScanFigures().read, 1);
  EXPECT_EQ(Rescan(false), first);
  EXPECT_EQ(LastScanFigures().read, 0);
}

TEST_F(RescanRecord, QuietRescanFindsNewFoldersAndEscKeepsKsDat) {
  fs::create_directories(real.root + "/a/b");
  Rescan(false);
  const std::string before = ScanFile();
  fs::create_directory(real.root + "/a/made");
  con.output.clear();
  con.Type("\x1b");
  EXPECT_EQ(RescanQuietly("DE", 0), QuietRescan::kCanceled);
  EXPECT_EQ(ScanFile(), before);
  scanner.scanCanceled = false;
  EXPECT_EQ(RescanQuietly("DE", 0), QuietRescan::kDone);
  EXPECT_NE(ScanFile().find("D:\\a\\made\r\n"), std::string::npos);
  EXPECT_EQ(con.output, "");
  real.lockedElsewhere = true;
  EXPECT_EQ(RescanQuietly("D", 0), QuietRescan::kBusy);
  EXPECT_EQ(TempFiles(), 0);
}

// A jump matches again only when a refresh changed some drive's lines.
TEST_F(RescanRecord, ARefreshSaysWhetherAnyDirectoryChanged) {
  fs::create_directories(real.root + "/a/b");
  Rescan(false);
  EXPECT_EQ(RefreshScannedDrives(0), RefreshResult::kUnchanged);
  fs::create_directory(real.root + "/a/made");
  EXPECT_EQ(RefreshScannedDrives(0), RefreshResult::kRefreshed);
  EXPECT_NE(ScanFile().find("D:\\a\\made\r\n"), std::string::npos);
  // The last line gone: every other line is still at its place.
  fs::remove(real.root + "/a/made");
  EXPECT_EQ(RefreshScannedDrives(0), RefreshResult::kRefreshed);
  EXPECT_EQ(RefreshScannedDrives(0), RefreshResult::kUnchanged);
  EXPECT_EQ(ScanFile().find("D:\\a\\made\r\n"), std::string::npos);
  EXPECT_EQ(TempFiles(), 0);
}

}  // namespace

#endif
