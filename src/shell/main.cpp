// Program entry: puts the real console and system behind the seams.
#include <memory>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::unique_ptr<System> system = CreatePlatformSystem(argv[0]);
  std::unique_ptr<ConsoleDevice> console = CreatePlatformConsole();
  theSystem = system.get();
  theConsole = console.get();
  std::vector<std::string> args(argv + 1, argv + argc);
  KsMain(args);
}
