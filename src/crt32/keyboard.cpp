#include "crt32/keyboard.h"

// Not built yet.
uint8_t ReadKeyChar() { return 27; }
bool KeyWaiting() { return false; }
int ReadKeyCode(bool) { return 27; }
uint16_t ShiftStateFromControlKeys(uint32_t) { return 0; }
bool IsTableTranslatedKey(int) { return false; }
KeyResult TranslateTableKey(int, uint8_t, uint16_t, int (*)(int, bool), char) { return {}; }
void ResetKeyboardState() {}
