// Every reader of the scan file over arbitrary bytes: the tree-mode load, the
// command-line load, and the command line (jump with its chooser, addition,
// scan) with the first line of the input as its argument.
#include "browser/render.h"
#include "cmdline/options.h"
#include "fuzz_support.h"
#include "store/load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t nl = input.find('\n');
  std::string argument = input.substr(0, nl == std::string::npos ? 0 : nl);
  std::string scanFile = nl == std::string::npos ? input : input.substr(nl + 1);

  {
    FuzzWorld world(scanFile);
    prog.anchorDrive = 3;
    RunGuarded([] { LoadDriveTrees(); });
    CheckDriveTable();
    for (int d = 1; d <= 26; ++d) {
      const DriveTree& t = Drive(d);
      if (t.entryCount == 0) continue;
      std::vector<std::string> prefixes;
      BuildPrefixRange(d, 1, t.entryCount, &prefixes);
      if (static_cast<int>(prefixes.size()) != t.entryCount) abort();
      if (t.currentEntry < 1 || t.currentEntry > t.entryCount) abort();
      if (t.topEntry < 1 || t.topEntry > t.currentEntry) abort();
    }
    RunGuarded([] { LoadScanLines(); });
    CheckDriveTable();
  }
  if (!argument.empty()) {
    FuzzWorld world(scanFile);
    prog.args = {"=ks95", argument};
    // A few chooser keys, then Enter.
    for (uint16_t vk : {40, 34, 33, 35, 36, 38, 40, 13})
      world.con.PushKey(vk, vk == 13 ? 13 : 0);
    RunGuarded([] { RunCommandLineMode(); });
    CheckDriveTable();
  }
  return 0;
}
