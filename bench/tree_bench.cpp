// Tree mode's load (with prefix building) over a real scan file, and the CPU
// cost of the navigation keys on a 10,000-entry drive, drawn on the test
// console.  Usage: tree_bench --ks-dat=PATH [benchmark flags]; the file is
// generated (26 drives x 10,000 lines) when it does not exist.
#include <benchmark/benchmark.h>

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

std::string scanFile = "/tmp/ks95_tree_bench_KS.DAT";

class StdioFile : public File {
 public:
  explicit StdioFile(FILE* f) : f_(f) {}
  ~StdioFile() override {
    if (f_) fclose(f_);
  }
  int Read(char* buffer, int bytes) override {
    return static_cast<int>(fread(buffer, 1, static_cast<size_t>(bytes), f_));
  }
  int Write(const char*, int) override { return kIoAccessDenied; }
  int Sync() override { return 0; }
  int Close() override {
    int r = fclose(f_);
    f_ = nullptr;
    return r == 0 ? 0 : kIoAccessDenied;
  }

 private:
  FILE* f_;
};

// The test system, but the scan file is read from disk.
class DiskSystem : public TestSystem {
 public:
  std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode,
                                 int* error) override {
    if (mode != OpenMode::kRead) return TestSystem::OpenFile(path, mode, error);
    FILE* f = fopen(scanFile.c_str(), "rb");
    *error = f ? 0 : kIoFileNotFound;
    return f ? std::make_unique<StdioFile>(f) : nullptr;
  }
};

void Generate(const std::string& path) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  for (char d = 'A'; d <= 'Z'; ++d) {
    fprintf(f, "%c:\\*07.12.2026 10:15:00\r\n", d);
    int lines = 1;
    for (int a = 0; a < 100 && lines < MaxDirsPerDrive; ++a) {
      fprintf(f, "%c:\\Top level folder %02d\r\n", d, a), ++lines;
      for (int b = 0; b < 10 && lines < MaxDirsPerDrive; ++b) {
        fprintf(f, "%c:\\Top level folder %02d\\Subfolder %d\r\n", d, a, b), ++lines;
        for (int c = 0; c < 9 && lines < MaxDirsPerDrive; ++c)
          fprintf(f, "%c:\\Top level folder %02d\\Subfolder %d\\Leaf %d\r\n", d, a, b, c), ++lines;
      }
    }
  }
  fclose(f);
}

TestConsole* con;
DiskSystem* sys;

void SetUpProgram() {
  theConsole = con;
  theSystem = sys;
  ResetProgramState();
  ResetConsoleLayer();
  prog.ScreenRows = 25;
  prog.programDirectory = "C:\\KS\\";
  prog.scanFilePath = "C:\\KS\\KS.DAT";
  prog.startupDirectory = "C:\\Top level folder 50\\Subfolder 5";
  prog.anchorDrive = 3;
}

void BM_LoadTreeMode(benchmark::State& state) {
  SetUpProgram();
  for (auto _ : state) {
    LoadDriveTrees();
    benchmark::DoNotOptimize(Drive(26).prefixes.data());
  }
  state.counters["entries"] = Drive(1).entryCount * 26.0;
}
BENCHMARK(BM_LoadTreeMode)->Unit(benchmark::kMillisecond);

// The load at start-up, into an empty table (the reload above reuses the
// strings of the previous load).
void BM_FirstLoad(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SetUpProgram();
    state.ResumeTiming();
    LoadDriveTrees();
    benchmark::DoNotOptimize(Drive(26).prefixes.data());
  }
}
BENCHMARK(BM_FirstLoad)->Unit(benchmark::kMillisecond);

// One pass of the main loop for `key`, from a position set by `place`:
// status line, bar on, bar off, dispatch.
template <typename Place>
void RunKey(benchmark::State& state, int key, Place place) {
  SetUpProgram();
  LoadDriveTrees();
  prog.currentDrive = 3;
  DrawTreeScreen();
  for (auto _ : state) {
    state.PauseTiming();
    place(Drive(prog.currentDrive));
    state.ResumeTiming();
    DrawStatusLine();
    DrawCursorBar(true);
    DrawCursorBar(false);
    prog.LastKey = key;
    DispatchKey();
  }
}

void BM_KeyDown(benchmark::State& state) {
  // Always on the window's last row, so every Down scrolls and redraws.
  RunKey(state, -80, [](DriveTree& t) { t.topEntry = 4000; t.currentEntry = 4022; });
}
void BM_KeyPgDn(benchmark::State& state) {
  RunKey(state, -81, [](DriveTree& t) { t.topEntry = 4000; t.currentEntry = 4022; });
}
void BM_KeyEnd(benchmark::State& state) {
  RunKey(state, -79, [](DriveTree& t) { t.topEntry = 1; t.currentEntry = 1; });
}
void BM_KeyCtrlDown(benchmark::State& state) {
  // From the last first-level folder: the search walks to the list's end.
  RunKey(state, -145, [](DriveTree& t) {
    t.currentEntry = 9900;
    t.topEntry = 9900 - 22;
  });
}
void BM_KeyTab(benchmark::State& state) {
  RunKey(state, 9, [](DriveTree&) {});
}
BENCHMARK(BM_KeyDown)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyPgDn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyCtrlDown)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyTab)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strncmp(argv[i], "--ks-dat=", 9) == 0) {
      scanFile = argv[i] + 9;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      --i;
    }
  }
  if (FILE* f = fopen(scanFile.c_str(), "rb")) {
    fclose(f);
  } else {
    Generate(scanFile);
  }
  TestConsole console(80, 25);
  DiskSystem system;
  con = &console;
  sys = &system;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
