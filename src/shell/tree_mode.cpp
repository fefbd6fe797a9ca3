#include "browser/navigate.h"
#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/key_codes.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "shell/cd_batch.h"
#include "platform/process.h"
#include "shell/shell.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "text/ascii.h"
#include "platform/system.h"

namespace {

bool EndsTreeMode(int key) {
  return key == kKeyEsc || key == kKeyEnter || key == kKeyAltX;
}

}  // namespace

void RunTreeMode() {
  HideCursor();
  // Drive letters carry no case, but a shell may report the one the user
  // typed ("d:\work"); the scan file always holds upper-case letters.
  std::string& start = prog.startupDirectory;
  if (start.size() >= 2 && start[1] == ':') start[0] = UpperAscii(start[0]);
  // A start-up directory without a drive letter (a POSIX directory outside
  // every mapped drive) anchors nowhere: 0 places no cursor specially.
  prog.anchorDrive = DriveNumberOf(start);
  LoadDriveTrees();
  prog.currentDrive = prog.anchorDrive;
  DrawTreeScreen();  // falls back to the first drive with entries
  prog.searchText.clear();

  do {
    DrawStatusLine();
    DrawCursorBar(true);
    prog.LastKey = ReadKeyCode(true);
    DrawCursorBar(false);
    DispatchKey();
  } while (!EndsTreeMode(prog.LastKey));

  ShowCursor();
  SetForeground(7);
  SetBackground(0);
  RestoreUserScreen();
  const int d = prog.currentDrive;
  // Enter only gets here on a present drive with entries; the check keeps an
  // empty table from being indexed all the same.
  if (prog.LastKey == kKeyEnter && d >= 1 && d <= 26 && Drive(d).entryCount > 0) {
    const DriveTree& t = Drive(d);
    const std::string path(t.paths[static_cast<size_t>(t.currentEntry)]);
    if (theSystem->SetCurrentDirectory(path)) {
      prog.ExitCode = 1;
    } else {
      WriteLine("Error changing to " + ScreenName(path));
      WriteLine("You may need to rescan drives.");
      // A start-up directory the program holds no name for (empty) was
      // never left: the failed change stayed where it was.
      if (!prog.startupDirectory.empty() &&
          !theSystem->SetCurrentDirectory(prog.startupDirectory))
        RunTimeError(kIoPathNotFound);
    }
  }
  WriteCdBatch();
  Outcome outcome = Outcome::kNothing;  // Esc, Alt-X
  if (prog.ExitCode == 1) outcome = Outcome::kMoved;
  else if (prog.LastKey == kKeyEnter) outcome = Outcome::kError;  // reported
  EndProcess(prog.ExitCode, outcome);
}
