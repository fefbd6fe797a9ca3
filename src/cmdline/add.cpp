#include "cmdline/add.h"

#include <climits>
#include <string_view>

#include "crt32/console.h"
#include "scanner/rewrite.h"
#include "scanner/sort.h"
#include "platform/process.h"
#include "crt32/screen.h"
#include "store/drive_table.h"
#include "store/text_file.h"
#include "text/ascii.h"

namespace {


// A line the insertion can reason about: a drive letter, ":\" and more.
// Anything else (empty lines, hand edits) is carried over untouched but
// takes no part in the comparisons.
bool InFormat(std::string_view line) {
  return line.size() >= 4 && DriveNumberOf(line) != 0 &&
         line[1] == ':' && line[2] == '\\';
}

[[noreturn]] void UnableToModify() {
  FatalExit("Unable to modify " + ScanFilePath());
}

// The scan file ends a line at CR or LF and the whole file at byte 26, and
// a backslash would split a name in two: such a name cannot be stored.
bool Storable(const std::string& path) {
  if (path.find_first_of(std::string("\r\n\x1a", 3)) != std::string::npos) return false;
  bool drivePath = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
  // Off every drive, a backslash is part of a host name.
  return drivePath || path.find('\\') == std::string::npos;
}

std::string ParentPath(const std::string& path) {
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  std::string parent = path.substr(0, slash + 1);
  if (parent.size() > 3) parent.pop_back();
  return parent;
}

// Refuses, with the reason, a directory that cannot take a line of its own.
void CheckAddable(const std::string& newPath) {
  if (newPath.empty())
    FatalExit("Cannot add the current directory to scan file: its name does "
              "not fit the system code page and it has no short name.");
  // Checked first: such a name has no drive path on POSIX either.
  if (!Storable(newPath))
    FatalExit("Cannot add " + newPath + " to scan file: a name in it holds a "
              "line break, a Ctrl-Z or a backslash.");
  // Its line would read as the drive's root line with a scan stamp.
  if (newPath.size() > 3 && newPath[3] == '*' && IsDrivePath(newPath))
    FatalExit("Cannot add " + newPath + " to scan file: a name directly below "
              "the root cannot begin with *.");
  // Outside every drive of a POSIX drive map there is no parent to look for.
  if (!IsDrivePath(newPath) && !theSystem->DriveMapText().empty())
    FatalExit(newPath + " is on no drive of the drive map " +
              theSystem->DriveMapText() + ".");
  if (newPath.size() == 3)
    FatalExit("Cannot add root directory to scan file.", Outcome::kNothing);
}

struct Insertion {
  long insertAt = 0;  // 1-based line number the new line takes
  bool parentFound = false;
  std::string lastLine;  // the last line compared
};

// Where the new line belongs: before the first line that sorts after it in
// tree order, or after the last line.
Insertion FindInsertion(std::unique_ptr<File> scanFile, const std::string& newPath,
                        const std::string& parent) {
  Insertion at;
  bool stopped = false;
  LineReader reader(std::move(scanFile));
  std::string_view line;
  while (reader.Next(&line)) {
    ++at.insertAt;
    if (!InFormat(line)) continue;
    if (line[3] == '*') line = line.substr(0, 3);
    if (EqualUpperAscii(line, parent)) at.parentFound = true;
    at.lastLine.assign(line.data(), line.size());
    if (CompareTreeOrder(newPath, line) <= 0) {
      stopped = true;
      break;
    }
  }
  reader.Close();
  if (!stopped) ++at.insertAt;
  return at;
}

// Copies the scan file into the rewrite with newLine before line insertAt.
// Lines already in the form written go over in runs, as they are; any
// other line is written anew.
void CopyWithNewLine(LineReader* reader, ScanFileRewrite* rewrite, long insertAt,
                     const std::string& newLine) {
  long n = 0;  // lines copied
  bool inserted = false;
  std::string_view line;
  for (;;) {
    long run = 0;
    std::string_view lines =
        reader->CleanRun(inserted ? LONG_MAX : insertAt - 1 - n, &run);
    if (run > 0) {
      WriteScanLines(rewrite, lines);
      n += run;
    } else if (!inserted && n + 1 == insertAt) {
      WriteScanLine(rewrite, newLine);
      inserted = true;
    } else if (reader->Next(&line)) {
      ++n;
      WriteScanLine(rewrite, line);
    } else {
      break;
    }
  }
  if (!inserted) WriteScanLine(rewrite, newLine);
}

}  // namespace

void AddCurrentDirectory(std::unique_ptr<File> scanFile) {
  const std::string& newPath = prog.startupDirectory;
  CheckAddable(newPath);
  const std::string parent = ParentPath(newPath);

  // Everything from the read below to the replacement happens under the
  // lock, so that no other run's change falls between them.  The file the
  // caller opened may predate another run's rewrite: it is read afresh.
  scanFile.reset();
  ScanFileRewrite rewrite;
  RewriteStart start = BeginScanFileRewrite(&rewrite);
  if (start == RewriteStart::kBusy) FatalExit(ScanFileBusyMessage(), Outcome::kError, 1);
  if (start != RewriteStart::kReady) UnableToModify();
  auto refuse = [&rewrite](const std::string& message, Outcome outcome) {
    AbandonScanFileRewrite(&rewrite);
    FatalExit(message, outcome);
  };
  scanFile = theSystem->OpenFile(ScanFilePath(), OpenMode::kRead).handle;
  if (!scanFile)
    refuse("Error opening " + ScanFilePath() + ", you may need to rescan drives.",
           Outcome::kError);

  const Insertion at = FindInsertion(std::move(scanFile), newPath, parent);
  if (EqualUpperAscii(newPath, at.lastLine))
    refuse(ScreenName(newPath) + " has already been scanned.", Outcome::kNothing);
  if (!at.parentFound)
    refuse("Parent directory \"" + ScreenName(parent) + "\" not in scan file.", Outcome::kError);

  // Readers take a line by its upper-case drive letter; one recorded in
  // lower case would be lost to them.
  std::string newLine = newPath;
  newLine[0] = UpperAscii(newLine[0]);

  std::unique_ptr<File> old =
      theSystem->OpenFile(ScanFilePath(), OpenMode::kRead).handle;
  if (!old) {
    AbandonScanFileRewrite(&rewrite);
    UnableToModify();
  }
  LineReader reader(std::move(old));
  CopyWithNewLine(&reader, &rewrite, at.insertAt, newLine);
  // Closed first: a file still open for reading cannot be replaced on every
  // system.
  reader.Close();
  if (!CommitScanFileRewrite(&rewrite)) UnableToModify();
  WriteLine("Scan file updated with " + ScreenName(newPath));
  EndProcess(0, Outcome::kDone);
}
