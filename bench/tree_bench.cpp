// Tree mode over a big generated scan file (bench/big_scan_file.py: drive C
// of 1,000,000 entries and 25 drives of 10,000), read from and written to
// the disk: the load to the first screen, the main-loop pass of every
// navigation key on C, speed-search keys, and Delete with its rewrite and
// reload.  Usage: tree_bench --ks-dat=DIR/KS.DAT [--peak] [benchmark flags].
// With --peak it loads once, draws the first screen and prints the peak
// resident size of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "browser/navigate.h"
#include "browser/render.h"
#include "crt32/console.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "test_console.h"
#include "test_system.h"

namespace {

std::string scanFile;
std::string scanDir;
constexpr char kProgramDir[] = "C:\\KS\\";

class DiskFile : public File {
 public:
  explicit DiskFile(FILE* f) : f_(f) {}
  ~DiskFile() override {
    if (f_) fclose(f_);
  }
  int Read(char* buffer, int bytes) override {
    return static_cast<int>(fread(buffer, 1, static_cast<size_t>(bytes), f_));
  }
  int Write(const char* data, int bytes) override {
    return fwrite(data, 1, static_cast<size_t>(bytes), f_) == static_cast<size_t>(bytes)
               ? 0 : kIoAccessDenied;
  }
  int Sync() override { return fflush(f_) == 0 && fsync(fileno(f_)) == 0 ? 0 : kIoAccessDenied; }
  int Close() override {
    int r = fclose(f_);
    f_ = nullptr;
    return r == 0 ? 0 : kIoAccessDenied;
  }
  // As the program's own files: a big scan file loads in two parts.
  bool Seek(int64_t offset) override { return fseeko(f_, static_cast<off_t>(offset), SEEK_SET) == 0; }
  int64_t Size() override {
    struct stat st;
    return fstat(fileno(f_), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
  }

 private:
  FILE* f_;
};

// The test system, but the program's own folder is a real one on disk, so
// that loads and rewrites pay for real reads, writes and syncs.
class DiskSystem : public TestSystem {
 public:
  static bool Mapped(const std::string& path, std::string* real) {
    if (path.compare(0, strlen(kProgramDir), kProgramDir) != 0) return false;
    *real = scanDir + "/" + path.substr(strlen(kProgramDir));
    return true;
  }
  Opened<File> OpenFile(const std::string& path, OpenMode mode) override {
    std::string real;
    if (!Mapped(path, &real)) return TestSystem::OpenFile(path, mode);
    if (mode == OpenMode::kCreateNew && access(real.c_str(), F_OK) == 0)
      return {nullptr, kIoAccessDenied};
    FILE* f = fopen(real.c_str(), mode == OpenMode::kRead ? "rb" : "wb");
    if (!f) return {nullptr, kIoFileNotFound};
    return {std::make_unique<DiskFile>(f), 0};
  }
  int ReplaceFile(const std::string& from, const std::string& to, bool durable = true) override {
    std::string a, b;
    if (!Mapped(from, &a) || !Mapped(to, &b)) return TestSystem::ReplaceFile(from, to, durable);
    return rename(a.c_str(), b.c_str()) == 0 ? 0 : kIoAccessDenied;
  }
  int DeleteFile(const std::string& path) override {
    std::string real;
    if (!Mapped(path, &real)) return TestSystem::DeleteFile(path);
    return unlink(real.c_str()) == 0 ? 0 : kIoFileNotFound;
  }
};

TestConsole* con;
DiskSystem* sys;

void SetUpProgram() {
  theConsole = con;
  theSystem = sys;
  ResetProgramState();
  ResetConsoleLayer();
  prog.ScreenRows = 25;
  prog.programDirectory = kProgramDir;
  prog.scanFilePath = std::string(kProgramDir) + "KS.DAT";
  prog.anchorDrive = 3;
  prog.startupDirectory = "C:\\";
  for (int d = 1; d <= 26; ++d) Drive(d).present = true;
}

void FirstScreen() {
  LoadDriveTrees();
  prog.currentDrive = prog.anchorDrive;
  DrawTreeScreen();
  DrawStatusLine();
  DrawCursorBar(true);
}

// Start-up into an empty table, up to the first screen drawn.
void BM_LoadToFirstScreen(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SetUpProgram();
    state.ResumeTiming();
    FirstScreen();
  }
  state.counters["entriesC"] = Drive(3).entryCount;
}
BENCHMARK(BM_LoadToFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(3);

// A loaded table, drive C shown; the keys below reuse it.
bool loaded = false;
void EnsureLoaded() {
  if (loaded) return;
  SetUpProgram();
  FirstScreen();
  loaded = true;
}

// One pass of the main loop for `key` on drive C, from a position set by
// `place`: status line, bar on, bar off, dispatch.
template <typename Place>
void RunKey(benchmark::State& state, int key, Place place) {
  EnsureLoaded();
  for (auto _ : state) {
    state.PauseTiming();
    prog.currentDrive = 3;
    prog.searchText.clear();
    place(Drive(3));
    state.ResumeTiming();
    DrawStatusLine();
    DrawCursorBar(true);
    DrawCursorBar(false);
    prog.LastKey = key;
    DispatchKey();
  }
}

int N() { return Drive(3).entryCount; }
// The window's last row in the middle of C, so that a key that moves down
// scrolls and redraws the list.
void Middle(DriveTree& t) {
  t.topEntry = N() / 2;
  t.currentEntry = t.topEntry + 22;
}
// The last first-level folder of C: Ctrl-Down from it walks to the end.
int LastTopLevel() {
  const DriveTree& t = Drive(3);
  for (int e = t.entryCount; e >= 2; --e)
    if (t.depths[static_cast<size_t>(e)] == 1) return e;
  return 2;
}
// The entry just before C's second first-level folder: Left from it walks
// back over the first folder's whole subtree to its parent.
void OnFirstChildOfBigFolder(DriveTree& t) {
  int second = 0;
  for (int e = 3; e <= t.entryCount && second == 0; ++e)
    if (t.depths[static_cast<size_t>(e)] == 1) second = e;
  t.currentEntry = second - 1;
  t.topEntry = t.currentEntry - 11;
}

void BM_KeyUp(benchmark::State& s) {
  RunKey(s, -72, [](DriveTree& t) { t.topEntry = t.currentEntry = N() / 2; });
}
void BM_KeyDown(benchmark::State& s) { RunKey(s, -80, Middle); }
void BM_KeyPgDn(benchmark::State& s) { RunKey(s, -81, Middle); }
void BM_KeyPgUp(benchmark::State& s) {
  RunKey(s, -73, [](DriveTree& t) { t.topEntry = t.currentEntry = N() / 2; });
}
void BM_KeyHome(benchmark::State& s) { RunKey(s, -71, Middle); }
void BM_KeyEnd(benchmark::State& s) {
  RunKey(s, -79, [](DriveTree& t) { t.topEntry = t.currentEntry = 1; });
}
void BM_KeyCtrlUp(benchmark::State& s) {
  // From the last first-level folder the search walks back to the first.
  RunKey(s, -141, [](DriveTree& t) {
    t.currentEntry = LastTopLevel();
    t.topEntry = t.currentEntry;
  });
}
void BM_KeyCtrlDown(benchmark::State& s) {
  // From the second entry (the first first-level folder) to the next one,
  // past a whole subtree.
  RunKey(s, -145, [](DriveTree& t) { t.topEntry = 1; t.currentEntry = 2; });
}
void BM_KeyLeft(benchmark::State& s) { RunKey(s, -75, OnFirstChildOfBigFolder); }
void BM_KeyTab(benchmark::State& s) {
  RunKey(s, 9, [](DriveTree&) {});
}
BENCHMARK(BM_KeyUp)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyDown)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyPgDn)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyPgUp)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyHome)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyEnd)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyCtrlUp)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyCtrlDown)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyLeft)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_KeyTab)->Unit(benchmark::kMicrosecond)->MinTime(0.1);

// A character no name starts with: both walks over all of C, then the beep.
void BM_SearchNoMatch(benchmark::State& s) {
  RunKey(s, '~', [](DriveTree& t) { t.topEntry = t.currentEntry = N() / 2; });
}
// A letter typed from the middle of C: the next name that starts with it.
void BM_SearchTypical(benchmark::State& s) {
  RunKey(s, 'M', [](DriveTree& t) { t.topEntry = t.currentEntry = N() / 2; });
}
BENCHMARK(BM_SearchNoMatch)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_SearchTypical)->Unit(benchmark::kMicrosecond)->MinTime(0.1);

// Delete on C's last entry (a leaf), answered Y: the rewrite of the whole
// file, its sync and rename, and the reload.  Each pass removes one line.
void BM_DeleteRewriteReload(benchmark::State& state) {
  EnsureLoaded();
  for (auto _ : state) {
    state.PauseTiming();
    prog.currentDrive = 3;
    DriveTree& t = Drive(3);
    t.currentEntry = t.entryCount;
    t.topEntry = t.entryCount - 22;
    con->Type("y");
    state.ResumeTiming();
    prog.LastKey = -83;
    DispatchKey();
  }
  loaded = false;  // C is shorter now
}
BENCHMARK(BM_DeleteRewriteReload)->Unit(benchmark::kMillisecond)->Iterations(2);

long PeakKib() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  bool peak = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--ks-dat=", 9) == 0) {
      scanFile = argv[i] + 9;
    } else if (strcmp(argv[i], "--peak") == 0) {
      peak = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (scanFile.empty() || scanFile.size() < 6 ||
      scanFile.compare(scanFile.size() - 6, 6, "KS.DAT") != 0) {
    fprintf(stderr, "usage: tree_bench --ks-dat=DIR/KS.DAT [--peak]\n");
    return 2;
  }
  scanDir = scanFile.substr(0, scanFile.size() - 7);
  if (scanDir.empty()) scanDir = ".";
  TestConsole console(80, 25);
  DiskSystem system;
  con = &console;
  sys = &system;
  if (peak) {
    const long before = PeakKib();
    SetUpProgram();
    FirstScreen();
    printf("peak: %ld KiB (before the load %ld KiB), drive C %d entries\n", PeakKib(), before,
           Drive(3).entryCount);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
