#include "browser/delete.h"

#include <string>

#include "browser/render.h"
#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "text/text_cells.h"
#include "crt32/screen_layout.h"
#include "scanner/drive_lines.h"
#include "scanner/rewrite.h"
#include "store/drive_table.h"
#include "store/load.h"
#include "text/ascii.h"

namespace {

const char kDirQuestionHead[] = " Delete ";
const char kDirQuestionTail[] = " from scan file (y/n) ? ";

bool ValidDrive(int d) { return d >= 1 && d <= 26; }

// The question and its answer letter stay on the status row: a row that
// overflows would wrap, or scroll the whole screen up when it is the last.
// The last column is left free as well, since writing there moves the
// cursor past the row's end.
std::string DirectoryQuestion(std::string_view name) {
  const int room = prog.ScreenColumns - 1 - static_cast<int>(sizeof kDirQuestionHead - 1) -
                   static_cast<int>(sizeof kDirQuestionTail - 1) - 1;
  return kDirQuestionHead + CutToCells(std::string(name), room) + kDirQuestionTail;
}

void Ask(const std::string& question) {
  SetColourSlot(slot::kPrompt);
  MoveCursor(0, prog.ScreenRows - 1);
  WriteText(question);
  ClearToLineEnd();
  ShowCursor();
}

// Only Y or N answers; there is no way out of the question otherwise.
bool AnswerYes(const std::string& question) {
  for (;;) {
    uint8_t c = ReadPromptChar([&question] {
      FollowScreenSize();
      DrawTreeScreen();
      Ask(question);
    });
    c = static_cast<uint8_t>(UpperAscii(static_cast<char>(c)));
    if (c == 'Y' || c == 'N') {
      HideCursor();
      WriteText(c == 'Y' ? "Y" : "N");
      return c == 'Y';
    }
  }
}

// Writes the scan file anew from the drive table without the removed lines:
// the entry `skipPath` of `skipDrive`, or the whole drive when it is null.
// The old file stays in place until the new one is complete.  The result is
// the entry removed (0 when it was gone meanwhile, or for a whole drive);
// the table is then the file as it was before that entry was dropped.
int RewriteScanFile(int skipDrive, const std::string* skipPath) {
  std::string failure = "Error opening " + ScanFilePath();
  ScanFileRewrite rewrite;
  RewriteStart start = BeginScanFileRewrite(&rewrite);
  if (start == RewriteStart::kBusy) FatalExit(ScanFileBusyMessage(), Outcome::kError, 1);
  if (start != RewriteStart::kReady) FatalExit(failure);
  // Another run's lines written since the trees were loaded are kept: the
  // removal applies to the file as it is now.
  if (ScanFileChangedSinceLoad()) LoadDriveTrees();
  int skipEntry = 0;
  if (skipPath) {
    const DriveTree& tree = Drive(skipDrive);
    for (int j = 2; j <= tree.entryCount && skipEntry == 0; ++j)
      if (tree.paths[static_cast<size_t>(j)] == *skipPath) skipEntry = j;
    // Gone meanwhile, or now a parent: nothing to remove.
    if (skipEntry == 0 || (skipEntry < tree.entryCount &&
                           tree.depths[skipEntry] < tree.depths[skipEntry + 1])) {
      AbandonScanFileRewrite(&rewrite);
      return 0;
    }
  }
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& tree = Drive(d);
    if (!tree.scanned) continue;
    if (d == skipDrive) {
      if (skipEntry > 0) WriteDriveLines(&rewrite, tree, skipEntry);
      continue;
    }
    if (tree.entryCount > 0) WriteDriveLines(&rewrite, tree);
  }
  if (!CommitScanFileRewrite(&rewrite)) FatalExit(failure);
  if (skipEntry > 0) prog.scanFileVersion = rewrite.committedVersion;
  return skipEntry;
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
  const int depths = static_cast<int>(tree.depths.size());
  if (e < tree.entryCount && e + 1 < depths &&
      tree.depths[static_cast<size_t>(e)] < tree.depths[static_cast<size_t>(e) + 1]) {
    Beep();
    return;
  }

  std::string question = DirectoryQuestion(ScreenName(std::string(EntryName(tree.paths[static_cast<size_t>(e)]))));
  Ask(question);
  if (AnswerYes(question)) {
    const std::string path(tree.paths[static_cast<size_t>(e)]);
    // What was written is the table without one entry: dropping it here
    // leaves the table as reading the new file would, at a fraction of the
    // cost on a big drive.
    if (int removed = RewriteScanFile(d, &path)) {
      DropLoadedEntry(d, removed);
    } else {
      ReloadKeepingDrive();
    }
  }
  DrawTreeScreen();
}

void DeleteDriveFromScanFile() {
  int d = prog.currentDrive;
  if (!ValidDrive(d) || !Drive(d).scanned) {
    Beep();
    return;
  }

  std::string question = std::string(" Delete ") + DriveLetter(d) + ": drive from scan file (y/n) ? ";
  Ask(question);
  if (AnswerYes(question)) {
    RewriteScanFile(d, nullptr);
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
