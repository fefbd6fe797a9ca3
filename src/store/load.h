// Filling the DriveTable: drive presence, and the scan file read into it for
// tree mode (with the tree's prefixes and cursors) or for a command-line
// rescan (the drives' lines only).
#pragma once

void MarkPresentDrives();
void LoadDriveTrees();
void LoadScanLines();
