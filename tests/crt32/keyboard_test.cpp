#include "crt32/keyboard.h"

#include "fixture.h"

namespace {

using Keyboard = KsTest;

const uint16_t kShift = 0x040, kCtrl = 0x020 | 0x010, kAlt = 0x004 | 0x002,
               kCaps = 0x200;

int Layout(int vk, bool shift) {
  static const char kShifted[] = ")!@#$%^&*(";
  return shift ? kShifted[vk - '0'] : vk;
}
int DeadKeys(int, bool) { return -1; }

// Key code of one table key as tree mode would see it: a character, the
// negated scan code, or 999 for no key.
int Code(int vk, uint16_t shift, uint8_t ch = 0) {
  KeyResult r = TranslateTableKey(vk, ch, shift, Layout, ',');
  if (r.none) return 999;
  EXPECT_TRUE((r.character == 0) != (r.scanCode == 0)) << "vk " << vk;
  return r.character ? r.character : -r.scanCode;
}

TEST_F(Keyboard, PlanesOfTheTable) {
  struct Row { int vk, normal, shift, ctrl, alt; };
  const Row rows[] = {
      {8, 8, 8, 127, 999},       {9, 9, -15, -148, -165},
      {13, 13, 13, 10, -28},     {27, 27, 27, 27, -1},
      {32, 32, 32, 32, 999},     {33, -73, -73, -132, -153},
      {34, -81, -81, -118, -161}, {35, -79, -79, -117, -159},
      {36, -71, -71, -119, -151}, {37, -75, -75, -115, -155},
      {38, -72, -72, -141, -152}, {39, -77, -77, -116, -157},
      {40, -80, -80, -145, -160}, {44, 999, 999, -114, 999},
      {45, -82, -82, -146, -162}, {46, -83, -83, -255, -163},
      {'0', '0', ')', 999, -129}, {'2', '2', '@', -3, -121},
      {'6', '6', '^', 30, -125},  {'9', '9', '(', 999, -128},
      {'A', 'a', 'A', 1, -30},    {'Z', 'z', 'Z', 26, -44},
      {96, '0', -82, 999, 999},   {101, '5', 999, 999, 999},
      {105, '9', -73, 999, 999},  {108, 999, 999, 999, 999},
      {110, '.', -83, 999, 999},  {111, '/', '?', 999, 999},
      {112, -59, -84, -94, -104}, {121, -68, -93, -103, -113},
      {122, -133, -135, -137, -139}, {123, -134, -136, -138, -140},
      {16, 999, 999, 999, 999},   {20, 999, 999, 999, 999},
      {12, 999, 999, 999, 999},   {124, 999, 999, 999, 999},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.vk);
    EXPECT_EQ(Code(r.vk, 0), r.normal);
    EXPECT_EQ(Code(r.vk, kShift), r.shift);
    EXPECT_EQ(Code(r.vk, kCtrl), r.ctrl);
    EXPECT_EQ(Code(r.vk, kAlt), r.alt);
  }
  const char kAltLetters[] = "\x1e\x30\x2e\x20\x12\x21\x22\x23\x17\x24\x25"
                             "\x26\x32\x31\x18\x19\x10\x13\x1f\x14\x16\x2f"
                             "\x11\x2d\x15\x2c";
  for (int i = 0; i < 26; ++i)
    EXPECT_EQ(Code('A' + i, kAlt), -kAltLetters[i]) << char('A' + i);
}

TEST_F(Keyboard, RulesApplyInOrder) {
  // Shift wins over Ctrl and Alt, Ctrl over Alt.
  EXPECT_EQ(Code('N', kShift | kAlt), 'N');
  EXPECT_EQ(Code('A', kShift | kCtrl), 'A');
  EXPECT_EQ(Code('A', kCtrl | kAlt), 1);
  EXPECT_EQ(Code(121, kShift | kCtrl), -93);  // Shift-Ctrl-F10
  // The characters an AltGr layout delivers pass through whatever is held.
  EXPECT_EQ(Code('Q', kCtrl | kAlt | 0x001, '@'), '@');
  EXPECT_EQ(Code('8', kCtrl | kAlt, '['), '[');
  EXPECT_EQ(Code('E', kShift, '$'), '$');
  // Delete reporting "." is the keypad's decimal key: the locale's separator.
  EXPECT_EQ(Code(46, 0, '.'), ',');
  EXPECT_EQ(Code(46, kCtrl, '.'), ',');
  // CapsLock swaps the letters' planes but not the digits or the F keys.
  EXPECT_EQ(Code('A', kCaps), 'A');
  EXPECT_EQ(Code('A', kCaps | kShift), 'a');
  EXPECT_EQ(Code('3', kCaps), '3');
  EXPECT_EQ(Code('3', kCaps | kShift), '#');
  EXPECT_EQ(Code(112, kCaps), -59);
  EXPECT_EQ(Code('A', kCaps | kCtrl), 1);
  // Right-hand modifiers count as the modifier.
  EXPECT_EQ(Code(38, ShiftStateFromControlKeys(kRightCtrlPressed)), -141);
  EXPECT_EQ(Code('X', ShiftStateFromControlKeys(kRightAltPressed)), -45);
  // A digit key the layout gives nothing for is no key, not a bare 0.
  EXPECT_TRUE(TranslateTableKey('4', 0, 0, DeadKeys, '.').none);
}

TEST_F(Keyboard, ShiftStateWordAndTranslatedSet) {
  EXPECT_EQ(ShiftStateFromControlKeys(0x1FF), 0x7FF);
  EXPECT_EQ(ShiftStateFromControlKeys(kLeftAltPressed), 0x006);
  EXPECT_EQ(ShiftStateFromControlKeys(kRightCtrlPressed | kCapsLockOn),
            0x228);
  for (int vk : {42, 186, 192, 219, 228, 230, 233, 245, 255, 256, -1})
    EXPECT_FALSE(IsTableTranslatedKey(vk)) << vk;
  for (int vk : {0, 41, 43, 185, 193, 218, 229, 231, 232, 246, 254})
    EXPECT_TRUE(IsTableTranslatedKey(vk)) << vk;
}

TEST_F(Keyboard, ExtendedKeyComesInTwoReads) {
  con.PushKey(9, 9, kShiftPressed);  // Shift-Tab
  con.PushKey('B', 'b');
  EXPECT_EQ(ReadKeyChar(), 0);
  EXPECT_TRUE(KeyWaiting());
  EXPECT_EQ(ReadKeyChar(), 15);
  EXPECT_EQ(con.input.size(), 1u);  // the scan code came without a read
  EXPECT_EQ(ReadKeyCode(true), 'B');

  con.PushKey(46, 0, kLeftCtrlPressed);
  con.PushKey('Q', 'q', kLeftAltPressed);
  EXPECT_EQ(ReadKeyCode(true), -255);
  EXPECT_EQ(ReadKeyCode(false), -16);
}

TEST_F(Keyboard, SkipsWhatIsNoKey) {
  InputRecord mouse;
  mouse.eventType = kMouseEvent;
  InputRecord focus;
  focus.eventType = kFocusEvent;
  con.PushKey(16, 0, kShiftPressed);  // Shift alone
  con.PushRelease(16);
  con.Push(mouse);
  con.Push(focus);
  con.PushKey(17, 0, kLeftCtrlPressed);
  con.PushKey('7', 0, kLeftCtrlPressed);  // Ctrl-7: nothing in the table
  con.PushKey(18, 0, kLeftAltPressed);
  con.PushKey(222, 0);  // a layout key the console gives no character for
  con.PushKey('K', 'k');
  EXPECT_EQ(ReadKeyCode(true), 'K');
  EXPECT_TRUE(con.input.empty());
}

TEST_F(Keyboard, EndOfInputEndsTheRunWithNoChangeAfterTheQueuedKeys) {
  con.inputEnded = true;
  con.PushKey('K', 'k');
  EXPECT_EQ(ReadKeyCode(true), 'K');
  EXPECT_EQ(ExitCodeOf([] { ReadKeyCode(true); }), 0);
}

TEST_F(Keyboard, RepeatCountReplaysTheSavedEvent) {
  con.PushKey(38, 0, 0, 3);
  con.PushKey('X', 'x');
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadKeyCode(true), -72);
    EXPECT_EQ(con.input.size(), 1u);
  }
  EXPECT_EQ(ReadKeyCode(true), 'X');
  // A repeat count of 0 is one press, not 65535.
  con.PushKey('Y', 'y', 0, 0);
  con.PushKey('Z', 'z');
  EXPECT_EQ(ReadKeyCode(true), 'Y');
  EXPECT_EQ(ReadKeyCode(true), 'Z');
}

TEST_F(Keyboard, LayoutKeysUseTheConsolesCharacter) {
  con.PushKey(223, 0xE4);  // a national letter, not upper-cased
  con.PushKey(190, '.');
  con.PushKey(189, '-', kEnhancedKey);
  con.PushKey(189, '_', kEnhancedKey | kShiftPressed);
  con.PushKey(189, '-');
  EXPECT_EQ(ReadKeyCode(true), 0xE4);
  EXPECT_EQ(ReadKeyCode(true), '.');
  EXPECT_EQ(ReadKeyCode(true), '/');
  EXPECT_EQ(ReadKeyCode(true), '?');
  EXPECT_EQ(ReadKeyCode(true), '-');
}

TEST_F(Keyboard, InputModeWhileWaitingAndAfter) {
  con.inputMode = 0x1F7;
  con.PushKey('A', 'a');
  ReadKeyChar();
  con.inputMode = 0x1F6;
  con.PushKey(223, '#');
  ReadKeyChar();
  EXPECT_EQ(con.modesWhileWaiting, (std::vector<uint32_t>{0x1, 0x0}));
  EXPECT_EQ(con.inputMode, 0x1F6u);
  // Also when the wait ends without a key.
  EXPECT_THROW(ReadKeyChar(), OutOfInput);
  EXPECT_EQ(con.inputMode, 0x1F6u);
}

TEST_F(Keyboard, KeyWaitingLooksAtOneEvent) {
  EXPECT_FALSE(KeyWaiting());
  con.PushRelease('A');
  con.PushKey('B', 'b');
  EXPECT_FALSE(KeyWaiting());  // the release is dropped
  EXPECT_EQ(con.input.size(), 1u);
  EXPECT_TRUE(KeyWaiting());
  EXPECT_TRUE(KeyWaiting());  // and the press stays queued
  EXPECT_EQ(ReadKeyCode(true), 'B');
  con.PushKey(16, 0, kShiftPressed);  // reported, though it will be skipped
  EXPECT_TRUE(KeyWaiting());
}

}  // namespace
