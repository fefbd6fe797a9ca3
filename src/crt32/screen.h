// Saving and restoring the console screen, pauses and tones.
#pragma once

#include <cstdint>

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
