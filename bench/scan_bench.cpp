// The scan's parts in isolation: sorting a full drive, and scanning the
// benchmark tree through the real system backend with and without the
// running counter (on the in-memory console, so the program's own cost of
// the counter is what is measured).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "scanner/scan.h"
#include "scanner/sort.h"
#include "store/drive_table.h"
#include "platform/platform.h"
#include "test_console.h"

namespace {

void BM_SortFullDrive(benchmark::State& state) {
  std::vector<std::string> paths = {"", "D:\\"};
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b)
      for (int c = 0; c < 99; ++c)
        paths.push_back("D:\\Top" + std::to_string(a) + "\\mid" + std::to_string(b) +
                        "\\Leaf" + std::to_string(c));
  std::shuffle(paths.begin() + 2, paths.end(), std::mt19937(1));
  for (auto _ : state) {
    state.PauseTiming();
    scanner.scanList = paths;
    scanner.scanCount = static_cast<int>(paths.size()) - 1;
    state.ResumeTiming();
    SortScanList();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size() - 2));
}
BENCHMARK(BM_SortFullDrive)->Unit(benchmark::kMillisecond);

// Arg 0: quiet (command line); arg 1: running counter (tree mode).
void BM_ScanTree(benchmark::State& state) {
  const char* tree = getenv("KS95_SCAN_TREE");
  std::string drives = std::string("C=/;D=") + (tree ? tree : "/tmp/ks95-bench-tree");
  setenv("KS95_DRIVES", drives.c_str(), 1);
  std::unique_ptr<System> system = CreatePlatformSystem("ks95");
  TestConsole console;
  theSystem = system.get();
  theConsole = &console;
  scanner.quietScan = state.range(0) == 0;
  scanner.scanAttributes = 16;
  for (auto _ : state) {
    scanner.scanList = {"", "D:\\"};
    scanner.scanCount = 1;
    scanner.scanCanceled = false;
    ScanDirectory("D:");
  }
  state.counters["dirs"] = scanner.scanCount;
  state.counters["dirs/s"] = benchmark::Counter(
      static_cast<double>(scanner.scanCount) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  theConsole = nullptr;
  theSystem = nullptr;
}
BENCHMARK(BM_ScanTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
