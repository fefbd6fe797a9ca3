#include "store/drive_table.h"

DriveTable drives;
ProgramState prog;
ScannerState scanner;

void ResetProgramState() {
  drives = DriveTable{};
  prog = ProgramState{};
  scanner = ScannerState{};
}
