// Keyboard input: console key events become characters and the extended
// keys' scan codes through the program's own translation table.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/console_device.h"

uint8_t ReadKeyChar();
bool KeyWaiting();

// Key code as tree mode reads it: a character (a-z upper-cased when
// `upperCase`), or the negated scan code of an extended key.
int ReadKeyCode(bool upperCase);

// A character for a prompt that wants characters only: an extended key is
// read whole and answered with 0.  A change of the window's size is no
// answer: `redraw` puts the screen and the prompt back, and the wait goes on.
uint8_t ReadPromptChar(const std::function<void()>& redraw = nullptr);

// Result of translating one key event: a character (scan 0), an extended key
// (character 0, scan code), or no key at all.
struct KeyResult {
  bool none = true;
  uint8_t character = 0;
  uint8_t scanCode = 0;
};

// Shift-state word rebuilt from an event's control-key state.
uint16_t ShiftStateFromControlKeys(uint32_t controlKeyState);

bool IsTableTranslatedKey(int virtualKey);

// Translation of a table-translated key.  `layoutDigit(vk, shift)` gives the
// layout's character of a digit key (or -1), `decimalSeparator` the locale's.
KeyResult TranslateTableKey(int virtualKey, uint8_t eventChar,
                            uint16_t shiftState,
                            int (*layoutDigit)(int virtualKey, bool shift),
                            char decimalSeparator);

// Forgets the pending scan code, replay count and saved event (tests).
void ResetKeyboardState();
