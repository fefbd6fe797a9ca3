#include "crt32/screen.h"

#include <vector>

#include "crt32/console.h"
#include "platform/console_device.h"
#include "platform/system.h"

namespace {

// The one saved copy of the whole screen buffer, in buffer order from (0, 0).
struct SavedScreen {
  bool held = false;
  int cells = 0;
  std::vector<uint16_t> attributes;
  std::vector<char> characters;
};

SavedScreen saved;
int savedColumn = 0;
int savedRow = 0;

const int kTimerClock = 1193181;  // Hz, the PC timer's input
const uint16_t kTimerData = 0x42;
const uint16_t kTimerMode = 0x43;
const uint16_t kSpeaker = 0x61;

}  // namespace

void SaveScreen() {
  BufferInfo info;
  theConsole->GetBufferInfo(&info);
  int n = info.size.x * info.size.y;
  if (n < 0) n = 0;
  // A second save simply replaces the first copy.
  saved.cells = n;
  saved.attributes.assign(static_cast<size_t>(n), 0);
  saved.characters.assign(static_cast<size_t>(n), ' ');
  Coord origin;
  theConsole->ReadAttributes(saved.attributes.data(), n, origin);
  theConsole->ReadCharacters(saved.characters.data(), n, origin);
  saved.held = true;
}

void RestoreScreen() {
  if (!saved.held) return;  // nothing saved: leave the screen alone
  // A buffer that grew since the save (a terminal made larger) would keep
  // the program's drawing past the copy's end: blank it first.
  BufferInfo info;
  theConsole->GetBufferInfo(&info);
  int now = info.size.x * info.size.y;
  if (now > saved.cells && info.size.x > 0) {
    Coord from;
    from.x = static_cast<int16_t>(saved.cells % info.size.x);
    from.y = static_cast<int16_t>(saved.cells / info.size.x);
    theConsole->FillAttribute(0x07, now - saved.cells, from);
    theConsole->FillCharacter(' ', now - saved.cells, from);
  }
  Coord origin;
  theConsole->WriteAttributes(saved.attributes.data(), saved.cells, origin);
  theConsole->WriteCharacters(saved.characters.data(), saved.cells, origin);
  saved = SavedScreen{};
}

void SaveUserScreen() {
  SaveScreen();
  savedColumn = CursorColumn();
  savedRow = CursorRow();
}

void RestoreUserScreen() {
  RestoreScreen();
  MoveCursor(savedColumn, savedRow);
}

void Pause(int milliseconds) { theSystem->Sleep(milliseconds); }

bool IsNtPlatform() { return theSystem->IsNtPlatform(); }

void StartTone(uint16_t frequency) {
  if (IsNtPlatform()) {
    theSystem->MessageBeep();
    return;
  }
  // Below 19 Hz the divisor no longer fits the timer's 16 bits.
  if (frequency <= 18) return;
  uint16_t divisor = static_cast<uint16_t>(kTimerClock / frequency);
  uint8_t control = theSystem->PortIn(kSpeaker);
  // Only a silent speaker is switched on and its timer set up; a sounding
  // one just gets the new pitch.
  if ((control & 0x03) == 0) {
    theSystem->PortOut(kSpeaker, static_cast<uint8_t>(control | 0x03));
    theSystem->PortOut(kTimerMode, 0xB6);
  }
  theSystem->PortOut(kTimerData, static_cast<uint8_t>(divisor & 0xFF));
  theSystem->PortOut(kTimerData, static_cast<uint8_t>(divisor >> 8));
}

void StopTone() {
  if (IsNtPlatform()) return;
  uint8_t control = theSystem->PortIn(kSpeaker);
  theSystem->PortOut(kSpeaker, static_cast<uint8_t>(control & ~0x03));
}

void Beep() {
  StartTone(1000);
  Pause(100);
  StopTone();
}

void ResetScreenState() {
  saved = SavedScreen{};
  savedColumn = savedRow = 0;
}

void FatalExit(const std::string& message, Outcome outcome, int code) {
  SetForeground(7);
  SetBackground(0);
  ShowCursor();
  RestoreUserScreen();
  WriteLine(message);
  EndProcess(code, outcome);
}
