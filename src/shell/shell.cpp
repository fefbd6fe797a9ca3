#include "shell/shell.h"

#include "cmdline/options.h"
#include "crt32/console.h"
#include "crt32/screen.h"
#include "shell/cd_batch.h"
#include "shell/process.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "system/system.h"

namespace {

const char kLaunchMarker[] = "=ks95";

}  // namespace

void KsMain(const std::vector<std::string>& args) {
  // Nothing may happen before this test: a refused start leaves the screen,
  // the scan file and the cd file alone.
  if (args.empty() || args[0] != kLaunchMarker) {
    WriteLine("You must start Kestrin 95 with the KS.BAT file");
    EndProcess(0);
  }

  ResetProgramState();
  prog.args = args;
  prog.ExitCode = 0;
  scanner.quietScan = false;
  scanner.scanAttributes = 16;

  prog.programDirectory = theSystem->ProgramDirectory();
  prog.scanFilePath = prog.programDirectory + "KS.DAT";
  prog.ScreenRows = ScreenRows();
  SaveUserScreen();
  MarkPresentDrives();
  prog.startupDirectory = theSystem->CurrentDirectory();

  if (args.size() >= 2) {
    RunCommandLineMode();
    RestoreUserScreen();
    WriteCdBatch();
    EndProcess(prog.ExitCode);
  }
  RunTreeMode();
}

void ChangeToDriveRoot() {
  std::string current = theSystem->CurrentDirectory();
  // A directory the program holds no name for still has a drive; "\" alone
  // names its root.
  if (current.empty()) {
    if (!theSystem->SetCurrentDirectory("\\")) RunTimeError(kIoPathNotFound);
    return;
  }
  // A directory outside every drive has no drive root to go to; treat it
  // like a root that cannot be entered rather than guess one.
  bool hasDrive = current.size() >= 2 && current[1] == ':' &&
                  ((current[0] >= 'A' && current[0] <= 'Z') ||
                   (current[0] >= 'a' && current[0] <= 'z'));
  if (!hasDrive) RunTimeError(kIoPathNotFound);
  if (!theSystem->SetCurrentDirectory(current.substr(0, 2) + "\\"))
    RunTimeError(kIoPathNotFound);
}

void FatalExit(const std::string& message) {
  SetForeground(7);
  SetBackground(0);
  ShowCursor();
  RestoreUserScreen();
  WriteLine(message);
  EndProcess(0);
}
