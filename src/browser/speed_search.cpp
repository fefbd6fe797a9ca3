#include "browser/speed_search.h"

// Not built yet.
void SpeedSearchKey(int) {}
void ShowSpeedSearchLine() {}
