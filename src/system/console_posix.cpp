// Not built yet: a placeholder device until the real backend lands.
#include <cstdio>

#include "system/platform.h"

namespace {
class PlaceholderConsole : public ConsoleDevice {
 public:
  bool GetBufferInfo(BufferInfo* info) override {
    info->size = {80, 25};
    info->window = {0, 0, 79, 24};
    return true;
  }
  void SetCursorPosition(Coord) override {}
  void SetTextAttribute(uint16_t) override {}
  void FillAttribute(uint16_t, int, Coord) override {}
  void FillCharacter(char, int, Coord) override {}
  void WriteCharacters(const char*, int, Coord) override {}
  void WriteAttributes(const uint16_t*, int, Coord) override {}
  void ReadCharacters(char*, int, Coord) override {}
  void ReadAttributes(uint16_t*, int, Coord) override {}
  void GetCursorInfo(CursorInfo*) override {}
  void SetCursorInfo(const CursorInfo&) override {}
  bool WriteOutput(const char* text, int bytes) override {
    return fwrite(text, 1, static_cast<size_t>(bytes), stdout) ==
           static_cast<size_t>(bytes);
  }
  uint32_t GetInputMode() override { return 0; }
  void SetInputMode(uint32_t) override {}
  void WaitForInput() override {}
  int NumberOfInputEvents() override { return 0; }
  bool PeekInput(InputRecord*) override { return false; }
  bool ReadInput(InputRecord*) override { return false; }
  bool ReadChar(uint8_t*) override { return false; }
  int LayoutCharacter(int, bool) override { return -1; }
};
}  // namespace

std::unique_ptr<ConsoleDevice> CreatePlatformConsole() {
  return std::make_unique<PlaceholderConsole>();
}
