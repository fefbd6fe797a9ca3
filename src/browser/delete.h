#pragma once

void DeleteDirectoryFromScanFile();
void DeleteDriveFromScanFile();
