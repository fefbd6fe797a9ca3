#include "scanner/rewrite.h"

#include <vector>

#include "platform/process.h"
#include "store/drive_table.h"

namespace {

// The temporary files of the rewrite under way, for the end of the process.
std::string unfinishedTemp;
std::vector<std::string> otherTemps;

// The drive records follow KS.DAT only once it is in place; a record that
// is not replaced is removed, since it may describe other lines.  A record
// lost or torn by a crash fails its checks and costs one whole walk, so it
// is not waited for on the disk.
void SettleRecords(ScanFileRewrite* rewrite, bool replaced) {
  for (auto& record : rewrite->records) {
    const std::string& temp = record.first;
    bool put = replaced && !temp.empty() &&
               theSystem->ReplaceFile(temp, record.second, false) == 0;
    if (!temp.empty() && !put) theSystem->DeleteFile(temp);
    if (replaced && !put) theSystem->DeleteFile(record.second);
    if (!temp.empty()) ForgetRewriteTemp(temp);
  }
  rewrite->records.clear();
}

// The writer's process number in a temporary's name after `prefix`
// ("KS.DAT."): <pid>-<n>.tmp, or <pid>-<time>-<n>.tmp as earlier POSIX
// builds named them; 0 for any other name.
unsigned long TempWriter(const std::string& name, const std::string& prefix) {
  const std::string suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size() ||
      name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return 0;
  const std::string middle =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  unsigned long pid = 0;
  size_t i = 0;
  for (; i < middle.size() && middle[i] >= '0' && middle[i] <= '9'; ++i) {
    if (pid > (0xFFFFFFFFUL - 9) / 10) return 0;
    pid = pid * 10 + static_cast<unsigned long>(middle[i] - '0');
  }
  if (i == 0 || i == middle.size()) return 0;
  // Each further part is a dash and digits.
  for (; i < middle.size(); ++i) {
    if (middle[i] == '-' && (i + 1 == middle.size() || middle[i + 1] == '-')) return 0;
    if (middle[i] != '-' && (middle[i] < '0' || middle[i] > '9')) return 0;
  }
  return middle[0] == '0' ? 0 : pid;
}

// Temporaries left beside the scan file by runs that were killed before
// they could remove them.  Called under the lock, so that no rewrite of a
// live run is writing one; a file whose process still runs is kept all
// the same, since that process might not be one of ours.
void RemoveStaleTemporaries() {
  const std::string path = ScanFilePath();
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return;
  const std::string folder = path.substr(0, slash + 1);
  // A drive's root is listed by its letter and colon alone.
  std::string listed = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  std::unique_ptr<DirReader> reader = theSystem->OpenDirectory(listed);
  if (!reader) return;
  const std::string prefix = path.substr(slash + 1) + ".";
  std::vector<std::string> stale;
  DirEntry entry;
  while (reader->Next(&entry)) {
    if (entry.attributes & (kAttrDirectory | kAttrReparsePoint)) continue;
    const unsigned long pid = TempWriter(entry.name, prefix);
    if (pid != 0 && !theSystem->ProcessAlive(pid)) stale.push_back(entry.name);
  }
  reader.reset();
  for (const std::string& name : stale) theSystem->DeleteFile(folder + name);
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
  RemoveStaleTemporaries();
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
