#include <chrono>
#include <cstdlib>
#include <string>

#include "system/console_device.h"
#include "system/system.h"

ConsoleDevice* theConsole = nullptr;
System* theSystem = nullptr;

OpenedTemp System::CreateTempBeside(const std::string& path) {
  // The clock makes a name left behind by a killed run unlikely to come up
  // again; an exclusive create that meets one simply tries the next name.
  static unsigned counter = 0;
  unsigned long long base = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + "." +
                       std::to_string((base + ++counter) % 1000000007ULL) + ".tmp";
    Opened<File> file = OpenFile(name, OpenMode::kCreateNew);
    if (file.handle || file.error != kIoFileExists) return {std::move(file), name};
  }
  return {{nullptr, kIoFileExists}, std::string()};
}

std::string System::EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}
