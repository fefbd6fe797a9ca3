// Saving and restoring the console screen, pauses and tones.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

void SaveScreen();
void RestoreScreen();
void SaveUserScreen();
void RestoreUserScreen();
void Pause(int milliseconds);
bool IsNtPlatform();
void StartTone(uint16_t frequency);
void StopTone();
void Beep();

void ResetScreenState();  // tests

// Restores the screen, writes `message` and ends.  `outcome` is what a shell
// launcher is told: an error unless the caller knows the run merely came to
// nothing.  `code` is the exit code otherwise (0 unless a caller must report
// a failure to a script).
[[noreturn]] void FatalExit(const std::string& message,
                            Outcome outcome = Outcome::kError, int code = 0);
