#include "scanner/rescan.h"

// Not built yet.
void RescanDrives() {}
void ScanDrivesFromCommandLine() {}
void ScanDriveInTreeMode() {}
void ScanDriveInCommandLine() {}
