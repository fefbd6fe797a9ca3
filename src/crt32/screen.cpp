#include "crt32/screen.h"

// Not built yet.
void SaveScreen() {}
void RestoreScreen() {}
void SaveUserScreen() {}
void RestoreUserScreen() {}
void Pause(int) {}
bool IsNtPlatform() { return true; }
void StartTone(uint16_t) {}
void StopTone() {}
void Beep() {}
void ResetScreenState() {}
