#include "cmdline/options.h"

#include <memory>
#include <string>

#include "cmdline/add.h"
#include "cmdline/jump.h"
#include "crt32/console.h"
#include "scanner/rescan.h"
#include "shell/process.h"
#include "shell/shell.h"
#include "store/drive_table.h"
#include "system/system.h"

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

void ChangeToRootOfCurrentDrive() {
  std::string root = theSystem->CurrentDirectory().substr(0, 2) + "\\";
  if (!theSystem->SetCurrentDirectory(root)) RunTimeError(kIoPathNotFound);
}

[[noreturn]] void ScanOption(const std::string& argument) {
  bool hidden = argument.size() > 2 && argument[2] == '+';
  size_t first = hidden ? 3 : 2;
  scanner.scanAttributes = hidden ? 63 : 16;
  scanner.drivesToScan =
      argument.size() > first ? argument.substr(first, 26) : std::string();
  scanner.quietScan = true;
  if (!scanner.drivesToScan.empty())
    ScanDrivesFromCommandLine();
  else
    WriteLine("Error: No drives specified");
  EndProcess(0);
}

}  // namespace

void RunCommandLineMode() {
  if (prog.args.size() < 2) return;
  const std::string argument = UpperAscii(prog.args[1]);
  if (argument == "\\") {
    ChangeToRootOfCurrentDrive();
    return;
  }
  if (argument.find('?') != std::string::npos) ShowOptionList();
  if (argument.compare(0, 2, "/S") == 0) ScanOption(argument);

  DerivedPattern pattern = DerivePattern(argument);
  int error = 0;
  std::unique_ptr<File> scanFile =
      theSystem->OpenFile(prog.scanFilePath, OpenMode::kRead, &error);
  if (!scanFile)
    FatalExit("Error opening " + prog.programDirectory +
              "KS.DAT, you may need to rescan drives.");
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
  EndProcess(0);
}
