#include "store/load.h"

// Not built yet.
void MarkPresentDrives() {}
void LoadDriveTrees() {}
void LoadScanLines() {}
