// Filling the DriveTable: drive presence, and the scan file read into it for
// tree mode (with the tree's prefixes and cursors) or for a command-line
// rescan (the drives' lines only).
#pragma once

#include <cstdint>

// Scan files of this many bytes or more are read in two parts at once, the
// second on a thread of its own.  A variable only so that tests can split
// small files.
constexpr int64_t kDefaultTwoPartLoadBytes = int64_t{1} << 20;
extern int64_t TwoPartLoadBytes;

void MarkPresentDrives();
void LoadDriveTrees();
void LoadScanLines();
// The table as loading the scan file again would leave it, once entry e of
// drive d (a directory without subdirectories, not the root) has been
// removed from the file: a reload without reading a million lines again.
void DropLoadedEntry(int d, int e);
