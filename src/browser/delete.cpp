#include "browser/delete.h"

#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "crt32/text_cells.h"
#include "scanner/rewrite.h"
#include "shell/shell.h"
#include "store/drive_table.h"
#include "store/load.h"

namespace {

const char kDirQuestionHead[] = " Delete ";
const char kDirQuestionTail[] = " from scan file (y/n) ? ";

bool ValidDrive(int d) { return d >= 1 && d <= 26; }

// The question and its answer letter stay on the status row: a row that
// overflows would wrap, or scroll the whole screen up when it is the last.
// The last column is left free as well, since writing there moves the
// cursor past the row's end.
std::string DirectoryQuestion(const std::string& name) {
  const int room = 79 - static_cast<int>(sizeof kDirQuestionHead - 1) -
                   static_cast<int>(sizeof kDirQuestionTail - 1) - 1;
  return kDirQuestionHead + CutToCells(name, room) + kDirQuestionTail;
}

void Ask(const std::string& question) {
  SetColourSlot(22);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(question);
  ClearToLineEnd();
  ShowCursor();
}

// Only Y or N answers; there is no way out of the question otherwise.
bool AnswerYes() {
  for (;;) {
    uint8_t c = ReadPromptChar();
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
    if (c == 'Y' || c == 'N') {
      HideCursor();
      WriteText(c == 'Y' ? "Y" : "N");
      return c == 'Y';
    }
  }
}

void WriteDrive(ScanFileRewrite* rewrite, int d, int skipEntry) {
  const DriveTree& tree = Drive(d);
  int count = tree.entryCount;
  if (count > static_cast<int>(tree.paths.size()) - 1)
    count = static_cast<int>(tree.paths.size()) - 1;
  for (int j = 1; j <= count; ++j) {
    if (j == skipEntry) continue;
    const std::string& path = tree.paths[j];
    if (path.size() == 3)
      WriteScanLine(rewrite, path + "*" + tree.scanStamp);
    else
      WriteScanLine(rewrite, path);
  }
}

// Writes the scan file anew from the drive table without the removed lines:
// one entry of `skipDrive` when `skipEntry` > 0, else the whole drive.  The
// old file stays in place until the new one is complete.
void RewriteScanFile(int skipDrive, int skipEntry) {
  std::string failure = "Error opening " + prog.programDirectory + "KS.DAT";
  ScanFileRewrite rewrite;
  if (!BeginScanFileRewrite(&rewrite)) FatalExit(failure);
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& tree = Drive(d);
    if (!tree.scanned) continue;
    if (d == skipDrive) {
      if (skipEntry > 0) WriteDrive(&rewrite, d, skipEntry);
      continue;
    }
    if (tree.entryCount > 0) WriteDrive(&rewrite, d, 0);
  }
  if (!CommitScanFileRewrite(&rewrite)) FatalExit(failure);
}

void ReloadKeepingDrive() {
  int keep = prog.currentDrive;
  LoadDriveTrees();
  prog.currentDrive = keep;
}

}  // namespace

void DeleteDirectoryFromScanFile() {
  int d = prog.currentDrive;
  if (!ValidDrive(d)) {
    Beep();
    return;
  }
  DriveTree& tree = Drive(d);
  int e = tree.currentEntry;
  if (!tree.scanned || e <= 1 || e > tree.entryCount ||
      e >= static_cast<int>(tree.paths.size())) {
    Beep();
    return;
  }
  // A directory with subdirectories stays: its children would be orphaned.
  int depths = static_cast<int>(tree.depths.size());
  if (e < tree.entryCount && e + 1 < depths && tree.depths[e] < tree.depths[e + 1]) {
    Beep();
    return;
  }

  Ask(DirectoryQuestion(ScreenName(EntryName(tree.paths[e]))));
  if (AnswerYes()) {
    RewriteScanFile(d, e);
    ReloadKeepingDrive();
  }
  DrawTreeScreen();
}

void DeleteDriveFromScanFile() {
  int d = prog.currentDrive;
  if (!ValidDrive(d) || !Drive(d).scanned) {
    Beep();
    return;
  }

  Ask(std::string(" Delete ") + DriveLetter(d) + ": drive from scan file (y/n) ? ");
  if (AnswerYes()) {
    RewriteScanFile(d, 0);
    ReloadKeepingDrive();
    // The drive stays when it is still present (as its bare letter);
    // otherwise the next drive with entries, wrapping to the lowest.  With
    // no drive left at all the current one stays, empty.
    int show = 0;
    for (int n = d; n <= 26 && show == 0; ++n)
      if (Drive(n).entryCount > 0) show = n;
    for (int n = 1; n <= 26 && show == 0; ++n)
      if (Drive(n).entryCount > 0) show = n;
    if (show != 0) prog.currentDrive = show;
  }
  DrawTreeScreen();
}
