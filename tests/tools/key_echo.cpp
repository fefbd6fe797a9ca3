// Test tool (not shipped): reads key codes the way tree mode does and shows
// each one on its own row ("key -15"); Q ends it.  With a file argument the
// codes are also written there, one per line, when it ends.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "platform/process.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::unique_ptr<System> system = CreatePlatformSystem(argv[0]);
  std::unique_ptr<ConsoleDevice> console = CreatePlatformConsole();
  theSystem = system.get();
  theConsole = console.get();

  int rows = ScreenRows();
  WriteAt(0, 0, 15, 0, "key-echo ready");
  std::vector<int> codes;
  for (;;) {
    int code = ReadKeyCode(true);
    codes.push_back(code);
    // The newest key is on the last row; older ones scroll up.
    int shown = static_cast<int>(codes.size());
    int first = shown > rows - 1 ? shown - (rows - 1) : 0;
    for (int i = first; i < shown; ++i) {
      std::string line = "key " + std::to_string(codes[static_cast<size_t>(i)]);
      line.resize(20, ' ');
      WriteAt(0, 1 + i - first, 7, 0, line);
    }
    if (code == 'Q') break;
  }
  if (argc > 1) {
    if (FILE* f = fopen(argv[1], "w")) {
      for (int c : codes) fprintf(f, "%d\n", c);
      fclose(f);
    }
  }
  EndProcess(0);
}
