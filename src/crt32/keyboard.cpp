#include "crt32/keyboard.h"

#include <cstring>
#include <functional>

#include "text/ascii.h"
#include "platform/process.h"
#include "platform/system.h"

namespace {

// Shift-state bits.
enum : uint16_t {
  kShRightAlt = 0x001,
  kShLeftAlt = 0x002,
  kShAlt = 0x004,
  kShRightCtrl = 0x008,
  kShLeftCtrl = 0x010,
  kShCtrl = 0x020,
  kShShift = 0x040,
  kShNumLock = 0x080,
  kShScrollLock = 0x100,
  kShCapsLock = 0x200,
  kShEnhanced = 0x400,
};

enum Plane { kNormal, kShift, kCtrl, kAlt };

struct Entry {
  int32_t character;  // -1: no key
  int32_t scanCode;
};

constexpr Entry kNone = {-1, 0};
constexpr Entry Char(int c) { return {c, 0}; }
constexpr Entry Scan(int s) { return {0, s}; }

struct KeyTable {
  Entry plane[4][256];
  uint8_t translated[32];  // bit set per virtual-key code
};

// PC keyboard scan codes of the letter keys, A to Z.
const uint8_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                 36, 37, 38, 50, 49, 24, 25, 16, 19,
                                 31, 20, 22, 47, 17, 45, 21, 44};

void Row(KeyTable& t, int vk, Entry n, Entry s, Entry c, Entry a) {
  t.plane[kNormal][vk] = n;
  t.plane[kShift][vk] = s;
  t.plane[kCtrl][vk] = c;
  t.plane[kAlt][vk] = a;
}

// Editing, navigation and the keys that are one control character.
void AddControlKeys(KeyTable& t) {
  Row(t, 8, Char(8), Char(8), Char(127), kNone);
  Row(t, 9, Char(9), Scan(15), Scan(148), Scan(165));
  Row(t, 13, Char(13), Char(13), Char(10), Scan(28));
  Row(t, 27, Char(27), Char(27), Char(27), Scan(1));
  Row(t, 32, Char(32), Char(32), Char(32), kNone);
  Row(t, 33, Scan(73), Scan(73), Scan(132), Scan(153));
  Row(t, 34, Scan(81), Scan(81), Scan(118), Scan(161));
  Row(t, 35, Scan(79), Scan(79), Scan(117), Scan(159));
  Row(t, 36, Scan(71), Scan(71), Scan(119), Scan(151));
  Row(t, 37, Scan(75), Scan(75), Scan(115), Scan(155));
  Row(t, 38, Scan(72), Scan(72), Scan(141), Scan(152));
  Row(t, 39, Scan(77), Scan(77), Scan(116), Scan(157));
  Row(t, 40, Scan(80), Scan(80), Scan(145), Scan(160));
  Row(t, 44, kNone, kNone, Scan(114), kNone);
  Row(t, 45, Scan(82), Scan(82), Scan(146), Scan(162));
  Row(t, 46, Scan(83), Scan(83), Scan(255), Scan(163));
}

// Digits, letters and the keypad.
void AddCharacterKeys(KeyTable& t) {
  // Digit row: normal and shift come from the layout, not from here.
  t.plane[kAlt][int{'0'}] = Scan(129);
  for (int d = 1; d <= 9; ++d) t.plane[kAlt]['0' + d] = Scan(119 + d);
  t.plane[kCtrl][int{'2'}] = Scan(3);
  t.plane[kCtrl][int{'6'}] = Char(30);

  for (int i = 0; i < 26; ++i)
    Row(t, 'A' + i, Char('a' + i), Char('A' + i), Char(1 + i),
        Scan(kLetterScan[i]));

  // Keypad 0..9 with Shift: the navigation keys they double as.
  const int kPadShift[10] = {82, 79, 80, 81, 75, -1, 77, 71, 72, 73};
  for (int i = 0; i < 10; ++i)
    Row(t, 96 + i, Char('0' + i), kPadShift[i] < 0 ? kNone : Scan(kPadShift[i]),
        kNone, kNone);
  t.plane[kNormal][106] = Char('*');
  t.plane[kNormal][107] = Char('+');
  t.plane[kNormal][109] = Char('-');
  Row(t, 110, Char('.'), Scan(83), kNone, kNone);
  Row(t, 111, Char('/'), Char('?'), kNone, kNone);
}

void AddFunctionKeys(KeyTable& t) {
  for (int i = 0; i < 10; ++i)
    Row(t, 112 + i, Scan(59 + i), Scan(84 + i), Scan(94 + i), Scan(104 + i));
  Row(t, 122, Scan(133), Scan(135), Scan(137), Scan(139));
  Row(t, 123, Scan(134), Scan(136), Scan(138), Scan(140));
}

void MarkTranslated(KeyTable& t) {
  // Everything but the layout's punctuation and the OEM-specific codes.
  std::memset(t.translated, 0xFF, sizeof t.translated);
  auto exclude = [&t](int from, int to) {
    for (int v = from; v <= to; ++v)
      t.translated[v >> 3] = static_cast<uint8_t>(t.translated[v >> 3] & ~(1u << (v & 7)));
  };
  exclude(42, 42);
  exclude(186, 192);
  exclude(219, 228);
  exclude(230, 230);
  exclude(233, 245);
  exclude(255, 255);
}

KeyTable BuildTable() {
  KeyTable t;
  for (auto& p : t.plane)
    for (auto& e : p) e = kNone;
  AddControlKeys(t);
  AddCharacterKeys(t);
  AddFunctionKeys(t);
  MarkTranslated(t);
  return t;
}

const KeyTable& Table() {
  static const KeyTable table = BuildTable();
  return table;
}

KeyResult FromEntry(const Entry& e) {
  KeyResult r;
  if (e.character < 0) return r;
  r.none = false;
  r.character = static_cast<uint8_t>(e.character);
  r.scanCode = static_cast<uint8_t>(e.scanCode);
  return r;
}

KeyResult FromChar(int ch) {
  KeyResult r;
  // A layout that gives nothing (a dead key) gives no key: a bare 0 would
  // be taken for the start of an extended key.
  if (ch <= 0 || ch > 255) return r;
  r.none = false;
  r.character = static_cast<uint8_t>(ch);
  return r;
}

bool IsResize(const InputRecord& ev) {
  return ev.eventType == kWindowBufferSizeEvent && theConsole->FollowsWindowSize();
}

bool KeyPressQueued() {
  InputRecord head;
  return theConsole->NumberOfInputEvents() > 0 && theConsole->PeekInput(&head) &&
         head.eventType == kKeyEvent && head.key.keyDown;
}

bool CapsAffects(int vk) {
  return (vk >= 65 && vk <= 95) || (vk >= 186 && vk <= 254);
}

// The scan code that stands for a change of the window's size (kKeyResize).
const uint8_t kResizeScan = 254;

// Reader state, process-wide.
uint8_t pendingScan = 0;
// A size change taken out of the queue by KeyWaiting, still to be reported
// by the next read.
bool resizePending = false;
InputRecord savedEvent;
uint16_t replayCount = 0;

int DeviceLayoutCharacter(int virtualKey, bool shift) {
  return theConsole->LayoutCharacter(virtualKey, shift);
}

// Puts the input mode back however the wait ends.
struct InputModeGuard {
  uint32_t mode;
  InputModeGuard() : mode(theConsole->GetInputMode()) {
    theConsole->SetInputMode(mode & kEnableProcessedInput);
  }
  ~InputModeGuard() { theConsole->SetInputMode(mode); }
};

// One key press, mouse event or size change from the console; everything
// else is consumed and dropped.
InputRecord ReadOneEvent() {
  InputModeGuard guard;
  InputRecord ev;
  for (;;) {
    // Nobody can type any more: end, with no change, rather than wait for
    // ever.
    if (!theConsole->WaitForInput()) EndProcess(0);
    if (!theConsole->PeekInput(&ev)) continue;
    if (ev.eventType == kKeyEvent && ev.key.keyDown) {
      if (IsTableTranslatedKey(ev.key.virtualKeyCode)) {
        theConsole->ReadInput(&ev);
      } else {
        uint8_t ch = 0;
        theConsole->ReadChar(&ch);
        ev.key.asciiChar = ch;
      }
      return ev;
    }
    InputRecord dropped;
    theConsole->ReadInput(&dropped);
    if (ev.eventType == kMouseEvent || IsResize(ev)) return ev;
  }
}

}  // namespace

uint16_t ShiftStateFromControlKeys(uint32_t k) {
  uint16_t s = 0;
  if (k & kRightAltPressed) s |= kShRightAlt;
  if (k & kLeftAltPressed) s |= kShLeftAlt;
  if (s & (kShRightAlt | kShLeftAlt)) s |= kShAlt;
  if (k & kRightCtrlPressed) s |= kShRightCtrl;
  if (k & kLeftCtrlPressed) s |= kShLeftCtrl;
  if (s & (kShRightCtrl | kShLeftCtrl)) s |= kShCtrl;
  if (k & kShiftPressed) s |= kShShift;
  if (k & kNumLockOn) s |= kShNumLock;
  if (k & kScrollLockOn) s |= kShScrollLock;
  if (k & kCapsLockOn) s |= kShCapsLock;
  if (k & kEnhancedKey) s |= kShEnhanced;
  return s;
}

bool IsTableTranslatedKey(int vk) {
  if (vk < 0 || vk > 255) return false;
  return (Table().translated[vk >> 3] >> (vk & 7)) & 1;
}

KeyResult TranslateTableKey(int vk, uint8_t ch, uint16_t shift,
                            int (*layoutDigit)(int, bool),
                            char decimalSeparator) {
  const KeyTable& t = Table();
  if (vk < 0 || vk > 255) return KeyResult{};
  if (vk == 46 && ch == '.') return FromChar(static_cast<uint8_t>(decimalSeparator));
  if (ch != 0 && std::strchr("$@[]{|}", ch)) return FromChar(ch);

  bool digit = vk >= '0' && vk <= '9';
  bool caps = (shift & kShCapsLock) && CapsAffects(vk);
  if (shift & kShShift) {
    if (digit) return FromChar(layoutDigit(vk, true));
    return FromEntry(t.plane[caps ? kNormal : kShift][vk]);
  }
  if (shift & kShCtrl) return FromEntry(t.plane[kCtrl][vk]);
  if (shift & kShAlt) return FromEntry(t.plane[kAlt][vk]);
  if (digit) return FromChar(layoutDigit(vk, false));
  return FromEntry(t.plane[caps ? kShift : kNormal][vk]);
}

uint8_t ReadKeyChar() {
  if (pendingScan != 0) {
    uint8_t s = pendingScan;
    pendingScan = 0;
    return s;
  }
  // A size change that KeyWaiting took out of the queue comes after the
  // keys already typed: a scan's poll for Esc reads those and would drop it.
  if (resizePending && replayCount == 0 && !KeyPressQueued()) {
    resizePending = false;
    pendingScan = kResizeScan;
    return 0;
  }
  for (;;) {
    InputRecord ev;
    if (replayCount > 0) {
      ev = savedEvent;
      --replayCount;
    } else {
      ev = ReadOneEvent();
      if (ev.eventType == kKeyEvent) {
        savedEvent = ev;
        // A repeat count of 0 (synthesised input does that) is one press,
        // not 65535 of them.
        replayCount = ev.key.repeatCount > 0
                          ? static_cast<uint16_t>(ev.key.repeatCount - 1)
                          : 0;
      } else {
        replayCount = 0;
      }
    }
    if (ev.eventType == kMouseEvent) continue;
    if (ev.eventType == kWindowBufferSizeEvent) {
      pendingScan = kResizeScan;
      return 0;
    }

    const uint16_t shiftState = ShiftStateFromControlKeys(ev.key.controlKeyState);
    int vk = ev.key.virtualKeyCode;
    KeyResult r;
    if (IsTableTranslatedKey(vk)) {
      r = TranslateTableKey(vk, ev.key.asciiChar, shiftState,
                            DeviceLayoutCharacter,
                            theSystem->DecimalSeparator());
    } else if (vk == 189 && (shiftState & kShEnhanced)) {
      r = FromChar((shiftState & kShShift) ? '?' : '/');
    } else {
      r = FromChar(ev.key.asciiChar);
    }
    if (r.none) continue;
    pendingScan = r.scanCode;
    return r.character;
  }
}

bool KeyWaiting() {
  if (pendingScan != 0) return true;
  if (theConsole->NumberOfInputEvents() <= 0) return false;
  InputRecord ev;
  if (!theConsole->PeekInput(&ev)) return false;
  if (ev.eventType == kKeyEvent && ev.key.keyDown) return true;
  theConsole->ReadInput(&ev);
  // Not a key, but the screen must still follow it: the next read says so.
  if (IsResize(ev)) resizePending = true;
  return false;
}

int ReadKeyCode(bool upperCase) {
  int c = ReadKeyChar();
  if (c == 0) return -static_cast<int>(ReadKeyChar());
  if (upperCase) c = static_cast<uint8_t>(UpperAscii(static_cast<char>(c)));
  return c;
}

uint8_t ReadPromptChar(const std::function<void()>& redraw) {
  for (;;) {
    uint8_t c = ReadKeyChar();
    if (c != 0) return c;
    // An extended key never answers a prompt.
    if (ReadKeyChar() != kResizeScan) return 0;
    if (redraw) redraw();
  }
}

void ResetKeyboardState() {
  pendingScan = 0;
  resizePending = false;
  savedEvent = InputRecord{};
  replayCount = 0;
}
