#include "browser/delete.h"

// Not built yet.
void DeleteDirectoryFromScanFile() {}
void DeleteDriveFromScanFile() {}
