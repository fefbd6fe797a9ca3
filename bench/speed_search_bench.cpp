// Speed search over a full drive: a key that matches nothing walks every
// entry twice (forward and wrap); Alt-N over evenly spread matches walks a
// short stretch.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "browser/render.h"
#include "browser/speed_search.h"
#include "store/drive_table.h"
#include "test_console.h"
#include "test_system.h"

namespace {

void FillDrive() {
  ResetProgramState();
  prog.ScreenRows = 25;
  DriveTree& t = Drive(3);
  t.paths = PathList();
  t.paths.Append("C:\\");
  t.depths = {0, 1};
  for (int i = 2; i <= MaxDirsPerDrive; ++i) {
    char name[48];
    snprintf(name, sizeof name, "C:\\PROJECTS\\%s%05d", i % 100 ? "SRC" : "DOC", i);
    t.paths.Append(name);
    t.depths.push_back(2);
  }
  t.entryCount = MaxDirsPerDrive;
  BuildTreePrefixes(3);
  t.rowsUsed = 23;
  t.scanned = t.present = true;
  prog.currentDrive = 3;
}

void BM_KeyWithoutMatch(benchmark::State& state) {
  TestConsole con;
  TestSystem sys;
  theConsole = &con;
  theSystem = &sys;
  FillDrive();
  for (auto _ : state) SpeedSearchKey('Q');
  theConsole = nullptr;
  theSystem = nullptr;
}
BENCHMARK(BM_KeyWithoutMatch)->Unit(benchmark::kMicrosecond);

void BM_NextMatch(benchmark::State& state) {
  TestConsole con;
  TestSystem sys;
  theConsole = &con;
  theSystem = &sys;
  FillDrive();
  SpeedSearchKey('D');
  for (auto _ : state) SpeedSearchKey(-49);
  theConsole = nullptr;
  theSystem = nullptr;
}
BENCHMARK(BM_NextMatch)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
