#include "store/drive_table.h"

DriveTable drives;
ProgramState prog;
ScannerState scanner;
int MaxDirsPerDrive = kDefaultMaxDirsPerDrive;

void ResetProgramState() {
  drives = DriveTable{};
  prog = ProgramState{};
  scanner = ScannerState{};
  MaxDirsPerDrive = kDefaultMaxDirsPerDrive;
}
