#include <chrono>
#include <string>

#include "system/console_device.h"
#include "system/system.h"

ConsoleDevice* theConsole = nullptr;
System* theSystem = nullptr;

std::unique_ptr<File> System::CreateTempBeside(const std::string& path,
                                               std::string* tempPath,
                                               int* error) {
  // The clock makes a name left behind by a killed run unlikely to come up
  // again; an exclusive create that meets one simply tries the next name.
  static unsigned counter = 0;
  unsigned long long base = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tempPath = path + "." + std::to_string((base + ++counter) % 1000000007ULL) +
                ".tmp";
    std::unique_ptr<File> file = OpenFile(*tempPath, OpenMode::kCreateNew, error);
    if (file) return file;
    if (*error != kIoFileExists) return nullptr;
  }
  return nullptr;
}
