// The in-memory form of the scan file: one DriveTree per drive letter, and
// the program-wide scalars the subsystems share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int MaxDirsPerDrive = 10000;

struct DriveTree {
  std::vector<std::string> paths;     // [0] placeholder, 1..entryCount
  std::vector<int> depths;            // backslashes in paths[i]
  std::vector<std::string> prefixes;  // tree prefix of each entry
  int entryCount = 0;
  int currentEntry = 1;
  int topEntry = 1;
  int rowsUsed = 0;
  bool scanned = false;
  std::string scanStamp;
  bool present = false;
};

struct DriveTable {
  DriveTree drive[27];  // indexed by drive number 1..26; [0] unused
};

struct ProgramState {
  int ExitCode = 0;
  int currentDrive = 0;
  int anchorDrive = 0;
  std::string startupDirectory;
  std::string programDirectory;
  std::string scanFilePath;
  int ScreenRows = 25;
  int ScreenColumns = 80;  // width the tree screen is laid out in
  int LastKey = 0;
  std::vector<std::string> args;  // arguments after the program name
  std::string searchText;         // speed search
};

struct ScannerState {
  std::vector<std::string> scanList;  // [0] placeholder, [1] root
  int scanCount = 0;
  bool scanCanceled = false;
  bool quietScan = false;
  uint16_t scanAttributes = 16;
  std::string drivesToScan;
  int drivesScanned = 0;
};

extern DriveTable drives;
extern ProgramState prog;
extern ScannerState scanner;

inline DriveTree& Drive(int driveNumber) { return drives.drive[driveNumber]; }
inline char DriveLetter(int driveNumber) {
  return static_cast<char>(driveNumber + 64);
}
// Drive number of a path's first character, or 0 when it is not A..Z.
inline int DriveNumberOf(const std::string& path) {
  if (path.empty() || path[0] < 'A' || path[0] > 'Z') return 0;
  return path[0] - 64;
}

// Fresh program-wide state, as at start-up (also used by tests).
void ResetProgramState();
