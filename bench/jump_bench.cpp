// The jump's two passes over a full scan file (26 drives of 10,000 lines,
// one match), in process over the in-memory file system.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "cmdline/jump.h"
#include "store/drive_table.h"
#include "test_console.h"
#include "test_system.h"

namespace {

std::string FullScanFile() {
  std::string text;
  char line[64];
  for (int d = 1; d <= 26; ++d) {
    char letter = static_cast<char>('A' + d - 1);
    text += std::string(1, letter) + ":\\*07.12.2026 10:15:00\r\n";
    for (int i = 1; i < 10000; ++i) {
      if (letter == 'M' && i == 5000)
        snprintf(line, sizeof line, "%c:\\PROJECTS\\P%04d\\TARGETDIR\r\n", letter, i / 10);
      else
        snprintf(line, sizeof line, "%c:\\PROJECTS\\P%04d\\SRC%05d\r\n", letter, i / 10, i);
      text += line;
    }
  }
  return text;
}

void BM_JumpOneMatch(benchmark::State& state) {
  TestConsole con;
  TestSystem sys;
  theConsole = &con;
  theSystem = &sys;
  ResetProgramState();
  prog.programDirectory = sys.programDir;
  prog.scanFilePath = sys.programDir + "KS.DAT";
  sys.files[prog.scanFilePath] = FullScanFile();
  sys.AddDir("M:\\PROJECTS\\P0500\\TARGETDIR");
  for (int d = 1; d <= 26; ++d) Drive(d).present = true;
  DerivedPattern pattern = DerivePattern("TARGETDIR");
  for (auto _ : state) {
    JumpToDirectory(sys.OpenFile(prog.scanFilePath, OpenMode::kRead).handle,
                    pattern);
    if (prog.ExitCode != 1) state.SkipWithError("no jump");
    prog.ExitCode = 0;
  }
  state.SetBytesProcessed(state.iterations() * 2 *
                          static_cast<int64_t>(sys.files[prog.scanFilePath].size()));
  theConsole = nullptr;
  theSystem = nullptr;
}
BENCHMARK(BM_JumpOneMatch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
