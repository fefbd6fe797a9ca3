#include <cstdlib>
#include <string>

#include "platform/console_device.h"
#include "platform/system.h"

ConsoleDevice* theConsole = nullptr;
System* theSystem = nullptr;

OpenedTemp System::CreateTempBeside(const std::string& path) {
  // The process number tells a later rewrite whether the file's writer
  // still runs; an exclusive create that meets a name left behind by a dead
  // process of the same number simply tries the next one.
  static unsigned counter = 0;
  const std::string stem = path + "." + std::to_string(ProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + std::to_string(++counter) + ".tmp";
    Opened<File> file = OpenFile(name, OpenMode::kCreateNew);
    if (file.handle || file.error != kIoFileExists) return {std::move(file), name};
  }
  return {{nullptr, kIoFileExists}, std::string()};
}

std::string System::EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}
