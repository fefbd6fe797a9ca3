// Key codes the program acts on: a character, or the negated scan code of
// an extended key (what ReadKeyCode returns).
#pragma once

enum : int {
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyEsc = 27,
  kKeyShiftTab = -15,
  kKeyAltP = -25,
  kKeyAltX = -45,
  kKeyAltN = -49,
  kKeyF1 = -59,
  kKeyF2 = -60,
  kKeyHome = -71,
  kKeyUp = -72,
  kKeyPgUp = -73,
  kKeyLeft = -75,
  kKeyRight = -77,
  kKeyEnd = -79,
  kKeyDown = -80,
  kKeyPgDn = -81,
  kKeyDelete = -83,
  kKeyShiftF2 = -85,
  kKeyCtrlUp = -141,
  kKeyCtrlDown = -145,
  kKeyCtrlDelete = -255,
  // Not a key: the window changed size and the screen must be drawn anew.
  // Only a console that follows its window's size sends it.
  kKeyResize = -254,
};
