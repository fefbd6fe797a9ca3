#include "scanner/rescan.h"

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "crt32/screen_layout.h"
#include "scanner/drive_lines.h"
#include "scanner/incremental.h"
#include "scanner/rewrite.h"
#include "scanner/scan.h"
#include "scanner/sort.h"
#include "platform/process.h"
#include "crt32/screen.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "text/ascii.h"

#include <cstdlib>

namespace {


std::string DriveName(int driveNumber) {
  return std::string(1, DriveLetter(driveNumber)) + ":";
}

bool Chosen(int driveNumber, const std::string& drives) {
  return drives.find(DriveLetter(driveNumber)) != std::string::npos;
}

void StartDriveScan(const std::string& driveName) {
  scanner.scanCount = 1;
  scanner.scanList.clear();
  scanner.scanList.emplace_back();
  scanner.scanList.push_back(driveName + "\\");
  scanner.scanCanceled = false;
}

void WriteScannedDrive(ScanFileRewrite* out) {
  WriteScannedLines(out, theSystem->ScanStampNow());
}

// What the walk did, for those who ask (KS95_SCAN_FIGURES=1).
std::string FiguresNote(const std::string& driveName) {
  const ScanFigures& f = LastScanFigures();
  std::string note = "Drive " + driveName + " " + std::to_string(f.read) +
                     " directories read, " + std::to_string(f.reused) + " reused";
  if (f.whole) note += " (walked whole: " + f.why + ")";
  return note;
}

// A scan that stopped at the limit may have left directories out: the user
// is told which drive and how many were kept.  Empty otherwise.
std::string LimitNote(const std::string& driveName) {
  if (scanner.scanCanceled || scanner.scanCount < MaxDirsPerDrive) return std::string();
  return "Drive " + driveName + " stopped at the limit, " +
         std::to_string(scanner.scanCount) + " directories kept";
}

// Notes of several drives share the status line after the scan.
void AddStatusNote(const std::string& note) {
  if (note.empty()) return;
  if (!prog.statusNote.empty()) prog.statusNote += ". ";
  prog.statusNote += note;
}

void ScanDriveInTreeMode(int driveNumber, ScanFileRewrite* out) {
  std::string name = DriveName(driveNumber);
  SetColourSlot(slot::kPrompt);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Scanning " + name + " drive (press Esc to cancel)  Directories: ");
  ClearToLineEnd();
  StartDriveScan(name);
  ScanDriveReusing(driveNumber);
  if (!ScanFailure().empty()) return FinishDriveScan(out);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Sorting Drive " + name + " ...");
  ClearToLineEnd();
  if (!LastScanFigures().inOrder) SortScanList();
  WriteScannedDrive(out);
  FinishDriveScan(out);
  AddStatusNote(LimitNote(name));
  const std::string leftOut = ScanLeftOutText();
  if (!leftOut.empty()) AddStatusNote(name + " " + leftOut);
}

void ScanDriveInCommandLine(int driveNumber, ScanFileRewrite* out) {
  std::string name = DriveName(driveNumber);
  WriteText("Scanning drive " + name);
  ++scanner.drivesScanned;
  StartDriveScan(name);
  ScanDriveReusing(driveNumber);
  if (!ScanFailure().empty()) {
    FinishDriveScan(out);
    WriteLine("");
    return;
  }
  if (!LastScanFigures().inOrder) SortScanList();
  WriteScannedDrive(out);
  FinishDriveScan(out);
  WriteLine(scanner.scanCanceled ? " canceled" : "");
  std::string leftOut = ScanLeftOutText();
  if (!leftOut.empty()) WriteLine(leftOut);
  std::string note = LimitNote(name);
  if (!note.empty()) WriteLine(note);
  if (const char* show = std::getenv("KS95_SCAN_FIGURES"); show && *show == '1')
    WriteLine(FiguresNote(name));
}

// The prompt with the letters typed so far.
void AskForDrives() {
  SetColourSlot(slot::kPrompt);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(" Enter drives to scan: " + scanner.drivesToScan);
  ClearToLineEnd();
  ShowCursor();
}

}  // namespace

void RescanDrives(TreeRedraw redraw) {
  scanner.drivesToScan.clear();
  AskForDrives();

  int key;
  for (;;) {
    key = ReadPromptChar([redraw] {
      redraw(true);
      AskForDrives();
    });
    key = static_cast<uint8_t>(UpperAscii(static_cast<char>(key)));
    if (key == 13 || key == 27) break;
    if (key == 8) {
      if (!scanner.drivesToScan.empty()) {
        scanner.drivesToScan.pop_back();
        WriteText("\b \b");
      }
    } else if (int d = DriveNumberOfLetter(static_cast<char>(key))) {
      char letter = static_cast<char>(key);
      if (scanner.drivesToScan.find(letter) == std::string::npos && Drive(d).present) {
        scanner.drivesToScan += letter;
        WriteText(std::string(1, letter));
      }
    }
  }
  HideCursor();

  if (key == 13 && !scanner.drivesToScan.empty()) {
    ScanFileRewrite rewrite;
    RewriteStart start = BeginScanFileRewrite(&rewrite);
    if (start == RewriteStart::kBusy) FatalExit(ScanFileBusyMessage(), Outcome::kError, 1);
    if (start != RewriteStart::kReady) FatalExit("Error opening " + ScanFilePath());
    // The reload after the rewrite places the cursor on the anchor drive.
    prog.anchorDrive = prog.currentDrive;
    // The drives that are not rescanned are copied from memory: from the
    // file as it is now, should another run have rewritten it meanwhile.
    if (ScanFileChangedSinceLoad()) LoadDriveTrees();
    prog.statusNote.clear();
    for (int d = 1; d <= 26; ++d) {
      DriveTree& drive = Drive(d);
      if (Chosen(d, scanner.drivesToScan)) {
        ScanDriveInTreeMode(d, &rewrite);
        if (!ScanFailure().empty()) {
          AbandonScanFileRewrite(&rewrite);  // KS.DAT stays as it was
          FatalExit(ScanFailure());
        }
      } else if (drive.scanned) {
        WriteDriveLines(&rewrite, drive);
      }
    }
    if (!CommitScanFileRewrite(&rewrite)) FatalExit("Unable to modify " + ScanFilePath());
    LoadDriveTrees();
  }
  redraw(false);
}

bool ScanDrivesFromCommandLine(const std::string& drives) {
  ScanFileRewrite rewrite;
  RewriteStart start = BeginScanFileRewrite(&rewrite);
  if (start == RewriteStart::kBusy) {
    WriteLine(ScanFileBusyMessage());
    EndProcess(1, Outcome::kError);
  }
  if (start != RewriteStart::kReady) {
    WriteLine("Error opening " + ScanFilePath());
    return false;
  }
  // Read under the lock: the lines copied are the ones being replaced.
  LoadScanLines();
  scanner.drivesScanned = 0;
  for (int d = 1; d <= 26; ++d) {
    DriveTree& drive = Drive(d);
    if (Chosen(d, drives) && drive.present) {
      ScanDriveInCommandLine(d, &rewrite);
      if (!ScanFailure().empty()) {
        AbandonScanFileRewrite(&rewrite);  // KS.DAT stays as it was
        WriteLine(ScanFailure());
        return false;
      }
    } else if (drive.scanned) {
      WriteDriveLines(&rewrite, drive);
    }
  }
  // Reporting a count here would claim a success the file does not hold.
  if (!CommitScanFileRewrite(&rewrite)) {
    WriteLine("Unable to modify " + ScanFilePath());
    return false;
  }
  WriteLine(std::to_string(scanner.drivesScanned) + " drive(s) scanned");
  return true;
}

QuietRescan RescanQuietly(const std::string& drives, int lockWaitMs) {
  ScanFileRewrite rewrite;
  RewriteStart start = BeginScanFileRewrite(&rewrite, lockWaitMs);
  if (start == RewriteStart::kBusy) return QuietRescan::kBusy;
  if (start != RewriteStart::kReady) return QuietRescan::kFailed;
  LoadScanLines();
  const bool quiet = scanner.quietScan;
  scanner.quietScan = true;
  QuietRescan result = QuietRescan::kDone;
  for (int d = 1; d <= 26 && result == QuietRescan::kDone; ++d) {
    DriveTree& drive = Drive(d);
    if (Chosen(d, drives) && drive.present && drive.scanned) {
      StartDriveScan(DriveName(d));
      ScanDriveReusing(d);
      if (!ScanFailure().empty()) result = QuietRescan::kFailed;
      else if (scanner.scanCanceled) result = QuietRescan::kCanceled;
      if (result != QuietRescan::kDone) {
        FinishDriveScan(&rewrite);
        break;
      }
      if (!LastScanFigures().inOrder) SortScanList();
      WriteScannedDrive(&rewrite);
      FinishDriveScan(&rewrite);
    } else if (drive.scanned) {
      WriteDriveLines(&rewrite, drive);
    }
  }
  scanner.quietScan = quiet;
  if (result != QuietRescan::kDone) {
    AbandonScanFileRewrite(&rewrite);
    return result;
  }
  return CommitScanFileRewrite(&rewrite) ? QuietRescan::kDone : QuietRescan::kFailed;
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
  // The exit code stays 0 for the batch launcher; the shell status says
  // the scan file was not written.
  if (!ScanDrivesFromCommandLine(scanner.drivesToScan)) EndProcess(0, Outcome::kError);
  // A POSIX drive exists only through the drive map: a letter it lacks is
  // a typing or set-up mistake the user must hear about.  A mapped letter
  // whose folder is missing is an absent drive, unmounted for now: said,
  // but no error; with nothing else scanned, nothing was done.
  const std::string map = theSystem->DriveMapText();
  bool told[27] = {}, mistake = false, absent = false;
  for (char letter : scanner.drivesToScan) {
    const int d = DriveNumberOfLetter(letter);
    if (map.empty() || d == 0 || Drive(d).present || told[d]) continue;
    told[d] = true;
    const std::string folder = theSystem->DriveFolder(d);
    if (folder.empty()) {
      WriteLine(std::string("Drive ") + letter + ": is not mapped in " + map);
      mistake = true;
    } else {
      WriteLine(std::string("Drive ") + letter + ": is not present (no folder " +
                folder + ") and was not scanned");
      absent = true;
    }
  }
  if (mistake) EndProcess(0, Outcome::kError);
  EndProcess(0, absent && scanner.drivesScanned == 0 ? Outcome::kNothing : Outcome::kDone);
}
