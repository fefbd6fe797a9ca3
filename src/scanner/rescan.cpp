#include "scanner/rescan.h"

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "scanner/rewrite.h"
#include "scanner/scan.h"
#include "scanner/sort.h"
#include "shell/process.h"
#include "shell/shell.h"
#include "store/drive_table.h"
#include "store/load.h"

namespace {

// The rewrite the per-drive steps write into; set for the length of one
// rescan.
ScanFileRewrite* output = nullptr;

std::string ScanFileName() { return prog.programDirectory + "KS.DAT"; }

std::string DriveName(int driveNumber) {
  return std::string(1, DriveLetter(driveNumber)) + ":";
}

bool Chosen(int driveNumber) {
  return scanner.drivesToScan.find(DriveLetter(driveNumber)) != std::string::npos;
}

void StartDriveScan(const std::string& driveName) {
  scanner.scanCount = 1;
  scanner.scanList.clear();
  scanner.scanList.emplace_back();
  scanner.scanList.push_back(driveName + "\\");
  scanner.scanCanceled = false;
}

void WriteScannedDrive() {
  WriteScanLine(output, scanner.scanList[1] + "*" + theSystem->ScanStampNow());
  for (int i = 2; i <= scanner.scanCount; ++i)
    WriteScanLine(output, scanner.scanList[static_cast<size_t>(i)]);
}

}  // namespace

void ScanDriveInTreeMode() {
  std::string name = DriveName(prog.currentDrive);
  SetColourSlot(22);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Scanning " + name + " drive (press Esc to cancel)  Directories: ");
  ClearToLineEnd();
  StartDriveScan(name);
  ScanDirectory(name);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Sorting Drive " + name + " ...");
  ClearToLineEnd();
  SortScanList();
  WriteScannedDrive();
}

void ScanDriveInCommandLine() {
  std::string name = DriveName(prog.currentDrive);
  WriteText("Scanning drive " + name);
  ++scanner.drivesScanned;
  StartDriveScan(name);
  ScanDirectory(name);
  SortScanList();
  WriteScannedDrive();
  WriteLine(scanner.scanCanceled ? " canceled" : "");
}

void RescanDrives() {
  SetColourSlot(22);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Enter drives to scan: ");
  ClearToLineEnd();
  ShowCursor();
  scanner.drivesToScan.clear();

  int key;
  for (;;) {
    key = ReadPromptChar();
    if (key >= 'a' && key <= 'z') key -= 32;
    if (key == 13 || key == 27) break;
    if (key == 8) {
      if (!scanner.drivesToScan.empty()) {
        scanner.drivesToScan.pop_back();
        WriteText("\b \b");
      }
    } else if (key >= 'A' && key <= 'Z') {
      char letter = static_cast<char>(key);
      if (scanner.drivesToScan.find(letter) == std::string::npos &&
          Drive(letter - 64).present) {
        scanner.drivesToScan += letter;
        WriteText(std::string(1, letter));
      }
    }
  }
  HideCursor();

  if (key == 13 && !scanner.drivesToScan.empty()) {
    ScanFileRewrite rewrite;
    if (!BeginScanFileRewrite(&rewrite)) FatalExit("Error opening " + ScanFileName());
    output = &rewrite;
    prog.anchorDrive = prog.currentDrive;
    for (int d = 1; d <= 26; ++d) {
      prog.currentDrive = d;
      DriveTree& drive = Drive(d);
      if (Chosen(d)) {
        ScanDriveInTreeMode();
      } else if (drive.scanned) {
        WriteScanLine(output, drive.paths[1] + "*" + drive.scanStamp);
        for (int i = 2; i <= drive.entryCount; ++i)
          WriteScanLine(output, drive.paths[static_cast<size_t>(i)]);
      }
    }
    output = nullptr;
    if (!CommitScanFileRewrite(&rewrite)) FatalExit("Unable to modify " + ScanFileName());
    LoadDriveTrees();
    prog.currentDrive = prog.anchorDrive;
  }
  DrawTreeScreen();
}

void ScanDrivesFromCommandLine() {
  LoadScanLines();
  ScanFileRewrite rewrite;
  if (!BeginScanFileRewrite(&rewrite)) {
    WriteLine("Error opening " + ScanFileName());
    return;
  }
  output = &rewrite;
  scanner.drivesScanned = 0;
  for (int d = 1; d <= 26; ++d) {
    prog.currentDrive = d;
    DriveTree& drive = Drive(d);
    if (Chosen(d) && drive.present) {
      ScanDriveInCommandLine();
    } else if (drive.scanned) {
      for (int i = 1; i <= drive.entryCount; ++i)
        WriteScanLine(output, drive.paths[static_cast<size_t>(i)]);
    }
  }
  output = nullptr;
  // Reporting a count here would claim a success the file does not hold.
  if (!CommitScanFileRewrite(&rewrite)) {
    WriteLine("Unable to modify " + ScanFileName());
    return;
  }
  WriteLine(std::to_string(scanner.drivesScanned) + " drive(s) scanned");
}

void RunScanOption(const std::string& upperArgument) {
  size_t first = 2;
  scanner.scanAttributes = 16;
  if (upperArgument.size() > 2 && upperArgument[2] == '+') {
    first = 3;
    scanner.scanAttributes = 63;
  }
  scanner.drivesToScan =
      upperArgument.size() > first ? upperArgument.substr(first, 26) : std::string();
  scanner.quietScan = true;
  if (scanner.drivesToScan.empty()) {
    WriteLine("Error: No drives specified");
    EndProcess(0, Outcome::kError);
  }
  ScanDrivesFromCommandLine();
  // A POSIX drive exists only through the drive map: a letter it lacks is
  // a typing or set-up mistake the user must hear about.
  Outcome outcome = Outcome::kDone;
  const std::string map = theSystem->DriveMapText();
  bool told[27] = {};
  for (char letter : scanner.drivesToScan) {
    if (map.empty() || letter < 'A' || letter > 'Z' || Drive(letter - 64).present ||
        told[letter - 64])
      continue;
    told[letter - 64] = true;
    WriteLine(std::string("Drive ") + letter + ": is not mapped in " + map);
    outcome = Outcome::kError;
  }
  EndProcess(0, outcome);
}
