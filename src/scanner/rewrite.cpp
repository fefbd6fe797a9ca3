#include "scanner/rewrite.h"

#include "system/process.h"
#include "store/drive_table.h"

namespace {

// The temporary files of the rewrite under way, for the end of the process.
std::string unfinishedTemp;
std::vector<std::string> otherTemps;

// The drive records follow KS.DAT only once it is in place; a record that
// is not replaced is removed, since it may describe other lines.
void SettleRecords(ScanFileRewrite* rewrite, bool replaced) {
  for (auto& record : rewrite->records) {
    const std::string& temp = record.first;
    bool put = replaced && !temp.empty() && theSystem->ReplaceFile(temp, record.second) == 0;
    if (!temp.empty() && !put) theSystem->DeleteFile(temp);
    if (replaced && !put) theSystem->DeleteFile(record.second);
    if (!temp.empty()) ForgetRewriteTemp(temp);
  }
  rewrite->records.clear();
}

}  // namespace

ScanFileRewrite::~ScanFileRewrite() { AbandonScanFileRewrite(this); }

RewriteStart BeginScanFileRewrite(ScanFileRewrite* rewrite, int waitMs) {
  Opened<FileLock> lock = theSystem->LockForRewrite(ScanFilePath(), waitMs);
  rewrite->lock = std::move(lock.handle);
  if (!rewrite->lock)
    return lock.error == kIoLocked ? RewriteStart::kBusy : RewriteStart::kCannotReplace;
  if (theSystem->CheckReplaceable(ScanFilePath()) != kIoOk) {
    rewrite->lock.reset();
    return RewriteStart::kCannotReplace;
  }
  OpenedTemp temp = theSystem->CreateTempBeside(ScanFilePath());
  rewrite->file = std::move(temp.handle);
  rewrite->tempPath = std::move(temp.path);
  if (!rewrite->file || temp.error != 0) {
    rewrite->file.reset();
    rewrite->tempPath.clear();
    rewrite->lock.reset();
    return RewriteStart::kCannotReplace;
  }
  AtProcessEnd(RemoveUnfinishedRewrite);
  unfinishedTemp = rewrite->tempPath;
  rewrite->writer = std::make_unique<LineWriter>(rewrite->file.get());
  return RewriteStart::kReady;
}

void WriteScanLine(ScanFileRewrite* rewrite, std::string_view line) {
  rewrite->writer->Line(line);
}

void WriteScanLines(ScanFileRewrite* rewrite, std::string_view lines) {
  rewrite->writer->Raw(lines);
}

bool CommitScanFileRewrite(ScanFileRewrite* rewrite) {
  rewrite->writer->Flush();
  // Only a file that has reached the disk may take the old one's place.
  Strict(rewrite->file->Sync());
  Strict(rewrite->file->Close());
  rewrite->writer.reset();
  rewrite->file.reset();
  bool replaced = theSystem->ReplaceFile(rewrite->tempPath, ScanFilePath()) == 0;
  // Taken under the lock: a later rewrite by another run then shows as a
  // change.
  if (replaced) rewrite->committedVersion = theSystem->FileVersion(ScanFilePath());
  else theSystem->DeleteFile(rewrite->tempPath);
  SettleRecords(rewrite, replaced);
  unfinishedTemp.clear();
  rewrite->tempPath.clear();
  rewrite->lock.reset();
  return replaced;
}

void AbandonScanFileRewrite(ScanFileRewrite* rewrite) {
  SettleRecords(rewrite, false);
  rewrite->writer.reset();
  if (rewrite->file) {
    rewrite->file->Close();
    rewrite->file.reset();
  }
  if (!rewrite->tempPath.empty()) {
    theSystem->DeleteFile(rewrite->tempPath);
    if (unfinishedTemp == rewrite->tempPath) unfinishedTemp.clear();
    rewrite->tempPath.clear();
  }
  rewrite->lock.reset();
}

std::string ScanFileBusyMessage() {
  return ScanFilePath() + " is being rewritten by another run; try again.";
}

bool ScanFileChangedSinceLoad() {
  return theSystem->FileVersion(ScanFilePath()) != prog.scanFileVersion;
}

void RegisterRewriteTemp(const std::string& path) {
  AtProcessEnd(RemoveUnfinishedRewrite);
  otherTemps.push_back(path);
}

void ForgetRewriteTemp(const std::string& path) {
  for (size_t i = 0; i < otherTemps.size(); ++i)
    if (otherTemps[i] == path) {
      otherTemps.erase(otherTemps.begin() + static_cast<long>(i));
      return;
    }
}

void RemoveUnfinishedRewrite() {
  if (!theSystem) return;
  std::vector<std::string> others;
  others.swap(otherTemps);
  for (const std::string& temp : others) theSystem->DeleteFile(temp);
  if (unfinishedTemp.empty()) return;
  std::string temp;
  temp.swap(unfinishedTemp);
  theSystem->DeleteFile(temp);
}
