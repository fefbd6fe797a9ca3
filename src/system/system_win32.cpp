// Not built yet: a placeholder system until the real backend lands.
#include <cstdlib>

#include "system/platform.h"

namespace {
class PlaceholderSystem : public System {
 public:
  int DriveType(int) override { return 0; }
  std::unique_ptr<DirReader> OpenDirectory(const std::string&) override { return nullptr; }
  std::unique_ptr<File> OpenFile(const std::string&, OpenMode, int* e) override {
    *e = kIoFileNotFound;
    return nullptr;
  }
  int RenameFile(const std::string&, const std::string&) override { return 5; }
  int ReplaceFile(const std::string&, const std::string&) override { return 5; }
  int DeleteFile(const std::string&) override { return 5; }
  bool FileExists(const std::string&) override { return false; }
  std::unique_ptr<File> OpenPrinter(int, int* e) override {
    *e = kIoPathNotFound;
    return nullptr;
  }
  std::string CurrentDirectory() override { return "C:\\"; }
  bool SetCurrentDirectory(const std::string&) override { return false; }
  std::string ProgramDirectory() override { return ""; }
  std::string CdFilePath(const std::string& d) override { return d + "KS95CD.BAT"; }
  std::string CdFileContents(const std::string&) override { return ""; }
  std::string ScanStampNow() override { return ""; }
  char DecimalSeparator() override { return '.'; }
  bool IsNtPlatform() override { return true; }
  uint8_t PortIn(uint16_t) override { return 0; }
  void PortOut(uint16_t, uint8_t) override {}
  void MessageBeep() override {}
  void Sleep(int) override {}
  void ExitProcess(int code) override { std::exit(code); }
};
}  // namespace

std::unique_ptr<System> CreatePlatformSystem(const char*) {
  return std::make_unique<PlaceholderSystem>();
}
