// Filling the DriveTable: drive presence and the two loaders.
#pragma once

void MarkPresentDrives();
void LoadDriveTrees();
void LoadScanLines();
