#include "shell/shell.h"

#include <algorithm>

#include "cmdline/complete.h"
#include "cmdline/options.h"
#include "crt32/console.h"
#include "crt32/screen.h"
#include "shell/cd_batch.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "text/ascii.h"
#include "platform/host.h"
#include "platform/system.h"

namespace {

const char kLaunchMarker[] = "=ks95";

}  // namespace

void KsMain(const std::vector<std::string>& args) {
  // Nothing may happen before this test: a refused start leaves the screen,
  // the scan file and the cd file alone.
  if (args.empty() || args[0] != kLaunchMarker) {
    WriteLine(kPosixHost
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
  scanner.dotNamesHidden = kDotNamesHidden;
  prog.posixLauncher = kPosixHost;

  prog.programDirectory = theSystem->ProgramDirectory();
  prog.scanFilePath = ScanFilePathIn(prog.programDirectory);
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
    EndProcess(prog.ExitCode, prog.ExitCode == 1 || CommandLineWentToRoot()
                                  ? Outcome::kMoved
                                  : Outcome::kNothing);
  }
  RunTreeMode();
}
