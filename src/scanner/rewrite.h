// Every rewrite of the scan file goes through here.  A rewrite holds the
// scan file's lock from before it reads what it rewrites until the new file
// is in place, so that two runs never write at once and neither loses the
// other's lines.  The new contents go to a temporary file of a fresh name
// beside KS.DAT, reach the disk, and only then take KS.DAT's place in one
// step; until then the old file is untouched.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/text_file.h"
#include "platform/system.h"

// How long a rewrite waits for another run's to finish.
constexpr int kRewriteWaitMs = 5000;

struct ScanFileRewrite {
  std::unique_ptr<FileLock> lock;
  std::string tempPath;
  std::unique_ptr<File> file;
  std::unique_ptr<LineWriter> writer;
  std::string committedVersion;  // FileVersion of the file put in place
  // Drive records that go with the new KS.DAT: (temporary file, record it
  // replaces); no temporary file removes the record.
  std::vector<std::pair<std::string, std::string>> records;
  ~ScanFileRewrite();  // an unfinished rewrite is abandoned
};

enum class RewriteStart {
  kReady,
  kBusy,            // another run kept the lock past the wait
  kCannotReplace,   // KS.DAT is read-only or a folder, or no temporary file
};

// Takes the lock (waiting at most `waitMs` for another run's), checks that
// KS.DAT may be replaced and creates the temporary file; nothing is held
// unless the result is kReady.
RewriteStart BeginScanFileRewrite(ScanFileRewrite* rewrite,
                                  int waitMs = kRewriteWaitMs);
inline void WriteScanLine(ScanFileRewrite* rewrite, std::string_view line) {  // strict
  rewrite->writer->Line(line);
}
// Whole lines already ending in CR LF, written as they are.
void WriteScanLines(ScanFileRewrite* rewrite, std::string_view lines);  // strict
// Flushes, syncs and puts the new file in place of KS.DAT; false when the
// replacement failed (KS.DAT is then as it was and the temporary removed).
// The lock is released either way.
bool CommitScanFileRewrite(ScanFileRewrite* rewrite);
// Removes the temporary file and releases the lock; KS.DAT is untouched.
void AbandonScanFileRewrite(ScanFileRewrite* rewrite);

// The message for kBusy; such a run ends with exit code 1.
std::string ScanFileBusyMessage();
// True when KS.DAT is not what the drive table was last loaded from (another
// run has rewritten it since).
bool ScanFileChangedSinceLoad();
// At the end of the process: a temporary file of a rewrite that did not
// finish is removed.
void RemoveUnfinishedRewrite();
// Other temporary files of a rewrite under way, removed likewise.
void RegisterRewriteTemp(const std::string& path);
void ForgetRewriteTemp(const std::string& path);
