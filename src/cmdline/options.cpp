#include "cmdline/options.h"

#include <memory>
#include <string>

#include "cmdline/add.h"
#include "cmdline/jump.h"
#include "crt32/console.h"
#include "scanner/rescan.h"
#include "platform/process.h"
#include "crt32/screen.h"
#include "store/drive_table.h"
#include "text/ascii.h"
#include "platform/system.h"

namespace {


// Set by the "\" option: the shell goes to the root even when it stands
// there already, so the run counts as a move.
bool wentToRoot = false;

}  // namespace

bool CommandLineWentToRoot() { return wentToRoot; }

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
  if (!IsDrivePath(current)) RunTimeError(kIoPathNotFound);
  if (!theSystem->SetCurrentDirectory(current.substr(0, 2) + "\\"))
    RunTimeError(kIoPathNotFound);
  wentToRoot = true;
}

void RunCommandLineMode() {
  wentToRoot = false;
  if (prog.args.size() < 2) return;
  const std::string argument = UpperAscii(prog.args[1]);
  if (argument == "\\") {
    ChangeToDriveRoot();
    return;
  }
  if (argument.find('?') != std::string::npos || argument == "-H" ||
      argument == "--HELP")
    ShowOptionList();
  if (argument.compare(0, 2, "/S") == 0) RunScanOption(argument);

  DerivedPattern pattern = DerivePattern(argument);
  std::unique_ptr<File> scanFile =
      theSystem->OpenFile(ScanFilePath(), OpenMode::kRead).handle;
  if (!scanFile)
    FatalExit("Error opening " + ScanFilePath() +
              ", you may need to rescan drives.");
  if (pattern.pattern == "/A") AddCurrentDirectory(std::move(scanFile));
  JumpToDirectory(std::move(scanFile), pattern);
}

void ShowOptionList() {
  static const char* const kLines[] = {
      "Kestrin 95 command line options",
      "",
      "KS              ; No parameters: start KS in Tree Mode",
      "KS dir_name     ; Jump to directory that starts with dir_name",
      "                ; Pick from list on multiple matches",
      "KS d:dir_name   ; Restricts search to specified drive only",
      "KS *dir_name    ; Jump to directory where dir_name appears",
      "                ; anywhere in directory name",
      "KS d:*dir_name  ; Restricts search to specified drive only",
      "KS /a           ; Add current directory to scan file",
      "KS /sD          ; Update scan file with D drive list",
      "                ; e.g. KS /sCGK will scan drives C, G, and K",
      "KS /s+D         ; Same as above but will include hidden dirs",
      "                ; e.g. KS /s+CGK",
  };
  for (const char* line : kLines) WriteLine(line);
  ShowCursor();
  EndProcess(0, Outcome::kDone);
}
