#include "shell/shell.h"

#include <algorithm>

#include "cmdline/complete.h"
#include "cmdline/options.h"
#include "crt32/console.h"
#include "crt32/screen.h"
#include "shell/cd_batch.h"
#include "shell/process.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "system/ascii.h"
#include "system/system.h"

namespace {

const char kLaunchMarker[] = "=ks95";

// Set by the "\" option: the shell goes to the root even when it stands
// there already, so the run counts as a move.
bool wentToRoot = false;

}  // namespace

void KsMain(const std::vector<std::string>& args) {
  // Nothing may happen before this test: a refused start leaves the screen,
  // the scan file and the cd file alone.
  if (args.empty() || args[0] != kLaunchMarker) {
    WriteLine(theSystem->PosixHost()
                  ? "You must start Kestrin 95 with the ks shell command "
                    "(see man ks95)"
                  : "You must start Kestrin 95 with the KS.BAT file");
    EndProcess(0, Outcome::kError);
  }

  ResetProgramState();
  prog.args = args;
  prog.ExitCode = 0;
  scanner.quietScan = false;
  scanner.scanAttributes = 16;

  prog.programDirectory = theSystem->ProgramDirectory();
  prog.scanFilePath = prog.programDirectory + "KS.DAT";
  // Completion runs on every Tab: no screen, no cd file, nothing but the
  // names.
  if (args.size() >= 2 && args[1] == kCompleteOption) {
    PrintCompletions(args.size() >= 3 ? args[2] : std::string());
    EndProcess(0, Outcome::kDone);
  }
  const std::string setupError = theSystem->SetupError();
  if (!setupError.empty()) {
    WriteLine(setupError);
    EndProcess(2, Outcome::kError);
  }
  wentToRoot = false;
  // Fewer than three rows leave no list window for the paging keys to
  // count with.
  prog.ScreenRows = std::max(3, ScreenRows());
  prog.ScreenColumns = LayoutColumns();
  SaveUserScreen();
  MarkPresentDrives();
  prog.startupDirectory = theSystem->CurrentDirectory();

  if (args.size() >= 2) {
    RunCommandLineMode();
    RestoreUserScreen();
    WriteCdBatch();
    EndProcess(prog.ExitCode, prog.ExitCode == 1 || wentToRoot
                                  ? Outcome::kMoved
                                  : Outcome::kNothing);
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
                  DriveNumberOfLetter(UpperAscii(current[0])) != 0;
  if (!hasDrive) RunTimeError(kIoPathNotFound);
  if (!theSystem->SetCurrentDirectory(current.substr(0, 2) + "\\"))
    RunTimeError(kIoPathNotFound);
  wentToRoot = true;
}

void FatalExit(const std::string& message, Outcome outcome, int code) {
  SetForeground(7);
  SetBackground(0);
  ShowCursor();
  RestoreUserScreen();
  WriteLine(message);
  EndProcess(code, outcome);
}
