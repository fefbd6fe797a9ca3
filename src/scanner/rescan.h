// Choosing drives to scan and rewriting the scan file, in both modes.
#pragma once

void RescanDrives();
void ScanDrivesFromCommandLine();
void ScanDriveInTreeMode();
void ScanDriveInCommandLine();
