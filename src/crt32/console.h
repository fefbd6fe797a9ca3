// Positioned and coloured output on the console screen, and the colour-slot
// table every screen takes its colours from.  Coordinates are 0-based screen
// cells; screen row 0 is the top row of the console window as it was at
// start-up.
#pragma once

#include <cstdint>
#include <string>

extern const uint8_t kSlotForeground[31];  // [1..30]
extern const uint8_t kSlotBackground[31];

void MoveCursor(int column, int row);
int CursorColumn();
int CursorRow();
void SetForeground(uint8_t colour);
void SetBackground(uint8_t colour);
void SetColourSlot(int slot);
void ClearToLineEnd();
void ClearScreen();
// On a console that follows its window the text stops at the window's right
// edge instead of running on into the next row.
void WriteAt(int column, int row, uint8_t foreground, uint8_t background,
             const std::string& text);
// WriteAt in the colours of a slot.
void WriteAtSlot(int column, int row, int slot, const std::string& text);
void WriteText(const std::string& text);
// WriteText followed by a line end.  On a terminal, the control characters
// of a message (a name's escape sequence, say) are shown as ^[ and the like
// instead of acting; files and pipes get the bytes as they are.
void WriteLine(const std::string& text);
// `text` with each control character (below 32, and 127) as a caret and a
// letter, except the CR LF pairs that end lines.
std::string VisibleControls(const std::string& text);
// A directory name or path as the console shows it; frames, arrows and tree
// lines are already in the console's own characters and never go through it.
std::string ScreenName(const std::string& name);
void HideCursor();
void ShowCursor();
int ScreenRows();
// Width the screens are laid out in: the window's on a console that follows
// its window (a terminal), else the fixed 80 columns.
int LayoutColumns();
// True on a console that follows its window's size (see ConsoleDevice).
bool ConsoleFollowsWindow();

// Forgets the window origin and handles, as at program start (tests).
void ResetConsoleLayer();
