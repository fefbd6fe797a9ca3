// Filling the DriveTable: drive presence, and the scan file read into it for
// tree mode (with the tree's prefixes and cursors) or for a command-line
// rescan (the drives' lines only).
#pragma once

void MarkPresentDrives();
void LoadDriveTrees();
void LoadScanLines();
// The table as loading the scan file again would leave it, once entry e of
// drive d (a directory without subdirectories, not the root) has been
// removed from the file: a reload without reading a million lines again.
void DropLoadedEntry(int d, int e);
