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

std::string ScanFilePathIn(const std::string& programDirectory) {
  return programDirectory + "KS.DAT";
}

std::string ScanFilePath() {
  return prog.scanFilePath.empty() ? ScanFilePathIn(prog.programDirectory)
                                   : prog.scanFilePath;
}
