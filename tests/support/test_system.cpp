#include "test_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "shell/cd_batch.h"

namespace {

std::string ListingKey(std::string path) {
  // "D:\" and "D:" both name the root's listing.
  if (path.size() == 3 && path[1] == ':' && path[2] == '\\') path.resize(2);
  while (path.size() > 2 && path.back() == '\\') path.pop_back();
  return path;
}

std::string Parent(const std::string& key) {
  size_t slash = key.rfind('\\');
  if (slash == std::string::npos) return std::string();
  return key.substr(0, slash);
}

std::string Leaf(const std::string& key) {
  size_t slash = key.rfind('\\');
  return slash == std::string::npos ? key : key.substr(slash + 1);
}

class VectorDirReader : public DirReader {
 public:
  explicit VectorDirReader(std::vector<DirEntry> entries)
      : entries_(std::move(entries)) {}
  bool Next(DirEntry* e) override {
    if (i_ >= entries_.size()) return false;
    *e = entries_[i_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t i_ = 0;
};

class MemoryFile : public File {
 public:
  MemoryFile(TestSystem* sys, std::string path, bool writing)
      : sys_(sys), path_(std::move(path)), writing_(writing) {}
  int Read(char* buffer, int bytes) override {
    if (closed_ || writing_) return -kIoAccessDenied;
    const std::string& data = sys_->files[path_];
    size_t n = std::min(static_cast<size_t>(bytes), data.size() - pos_);
    memcpy(buffer, data.data() + pos_, n);
    pos_ += n;
    return static_cast<int>(n);
  }
  int Write(const char* data, int bytes) override {
    if (closed_ || !writing_) return kIoAccessDenied;
    if (sys_->writeBudget >= 0) {
      if (bytes > sys_->writeBudget) {
        sys_->files[path_].append(data, static_cast<size_t>(sys_->writeBudget));
        sys_->writeBudget = 0;
        return kIoDiskFull;
      }
      sys_->writeBudget -= bytes;
    }
    sys_->files[path_].append(data, static_cast<size_t>(bytes));
    return 0;
  }
  int Sync() override { return closed_ ? kIoAccessDenied : 0; }
  int Close() override {
    if (closed_) return kIoAccessDenied;
    closed_ = true;
    return 0;
  }
  bool Seek(int64_t offset) override {
    if (closed_ || writing_ || offset < 0 ||
        static_cast<size_t>(offset) > sys_->files[path_].size())
      return false;
    pos_ = static_cast<size_t>(offset);
    return true;
  }
  int64_t Size() override {
    return closed_ ? -1 : static_cast<int64_t>(sys_->files[path_].size());
  }

 private:
  TestSystem* sys_;
  std::string path_;
  bool writing_;
  size_t pos_ = 0;
  bool closed_ = false;
};

class MemoryLock : public FileLock {
 public:
  explicit MemoryLock(TestSystem* sys) : sys_(sys) { sys_->lockHeld = true; }
  ~MemoryLock() override { sys_->lockHeld = false; }

 private:
  TestSystem* sys_;
};

}  // namespace

TestSystem::TestSystem() = default;

Opened<FileLock> TestSystem::LockForRewrite(const std::string&, int waitMs) {
  lastLockWaitMs = waitMs;
  if (lockHeld || lockedElsewhere) return {nullptr, kIoLocked};
  return {std::make_unique<MemoryLock>(this), 0};
}

int TestSystem::CheckReplaceable(const std::string& path) {
  return readOnly.count(path) ? kIoAccessDenied : 0;
}

std::string TestSystem::FileVersion(const std::string& path) {
  auto it = files.find(path);
  return it == files.end() ? std::string() : "v:" + it->second;
}

void TestSystem::SetDrive(char letter, int type) {
  int d = (letter & ~0x20) - 64;
  driveTypes[d] = type;
  std::string root = std::string(1, static_cast<char>(letter & ~0x20)) + ":";
  dirs[root];
}

void TestSystem::AddDir(const std::string& path, uint32_t attributes) {
  std::string key = ListingKey(path);
  if (dirs.count(key)) return;
  std::string parent = Parent(key);
  if (!parent.empty()) {
    if (!dirs.count(parent)) AddDir(parent);
    dirs[parent].push_back(DirEntry{Leaf(key), attributes | kAttrDirectory});
  }
  dirs[key];
}

void TestSystem::AddFileEntry(const std::string& path, uint32_t attributes) {
  std::string key = ListingKey(path);
  std::string parent = Parent(key);
  if (!dirs.count(parent)) AddDir(parent);
  dirs[parent].push_back(DirEntry{Leaf(key), attributes});
}

void TestSystem::RemoveDir(const std::string& path) {
  std::string key = ListingKey(path);
  for (auto it = dirs.begin(); it != dirs.end();) {
    if (it->first == key || it->first.rfind(key + "\\", 0) == 0)
      it = dirs.erase(it);
    else
      ++it;
  }
  auto parent = dirs.find(Parent(key));
  if (parent != dirs.end()) {
    auto& v = parent->second;
    std::string leaf = Leaf(key);
    v.erase(std::remove_if(v.begin(), v.end(),
                           [&](const DirEntry& e) { return e.name == leaf; }),
            v.end());
  }
}

bool TestSystem::DirExists(const std::string& path) const {
  return dirs.count(ListingKey(path)) > 0;
}

int TestSystem::DriveType(int d) {
  return (d >= 1 && d <= 26) ? driveTypes[d] : kDriveNoRootDir;
}

std::unique_ptr<DirReader> TestSystem::OpenDirectory(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(dirMutex);
  ++dirOpens;
  std::string key = ListingKey(path);
  auto it = dirs.find(key);
  std::vector<DirEntry> entries;
  if (it != dirs.end()) entries = it->second;
  bool haveFiles = false;
  for (const auto& f : files) {
    if (Parent(f.first) != key) continue;
    entries.push_back(DirEntry{Leaf(f.first), kAttrArchive});
    haveFiles = true;
  }
  if ((it == dirs.end() && !haveFiles) || unreadable.count(key)) return nullptr;
  return std::make_unique<VectorDirReader>(std::move(entries));
}

OpenedWalk TestSystem::OpenWalk(const std::string& path) {
  auto failing = walkFailures.find(path);
  if (failing == walkFailures.end()) return System::OpenWalk(path);
  OpenedWalk failed;
  failed.status = WalkStatus::kFailed;
  failed.error = failing->second;
  return failed;
}

Opened<File> TestSystem::OpenFile(const std::string& path, OpenMode mode) {
  if (failOpen.count(path)) return {nullptr, kIoAccessDenied};
  bool exists = files.count(path) > 0;
  switch (mode) {
    case OpenMode::kRead:
      if (!exists) return {nullptr, kIoFileNotFound};
      return {std::make_unique<MemoryFile>(this, path, false), 0};
    case OpenMode::kCreateNew:
      if (exists) return {nullptr, kIoFileExists};
      files[path].clear();
      return {std::make_unique<MemoryFile>(this, path, true), 0};
    case OpenMode::kCreate:
      files[path].clear();
      return {std::make_unique<MemoryFile>(this, path, true), 0};
  }
  return {nullptr, 0};
}

int TestSystem::ReplaceFile(const std::string& from, const std::string& to, bool) {
  if (failReplace) return kIoAccessDenied;
  if (!files.count(from)) return kIoFileNotFound;
  files[to] = files[from];
  files.erase(from);
  return 0;
}

int TestSystem::DeleteFile(const std::string& path) {
  return files.erase(path) ? 0 : kIoFileNotFound;
}

Opened<File> TestSystem::OpenPrinter(int port) {
  if (missingPrinters.count(port)) return {nullptr, kIoPathNotFound};
  std::string name = "LPT" + std::to_string(port);
  files[name].clear();
  return {std::make_unique<MemoryFile>(this, name, true), 0};
}

bool TestSystem::SetCurrentDirectory(const std::string& path) {
  if (!DirExists(path)) return false;
  cwd = path;
  if (cwd.size() == 2) cwd += '\\';
  return true;
}

std::string TestSystem::CdFilePath(const std::string& programDirectory) {
  return programDirectory + "KS95CD.BAT";
}

CdFileFormat TestSystem::CdFormat() { return CdFileFormat::kBatch; }

std::optional<std::string> TestSystem::CdFileDirectory(const std::string& directory) {
  return directory;
}

uint8_t TestSystem::PortIn(uint16_t port) {
  char buf[32];
  snprintf(buf, sizeof buf, "in %x", port);
  portLog.push_back(buf);
  return port == 0x61 ? port61 : 0;
}

void TestSystem::PortOut(uint16_t port, uint8_t value) {
  char buf[32];
  snprintf(buf, sizeof buf, "out %x %x", port, value);
  portLog.push_back(buf);
  if (port == 0x61) port61 = value;
}

void TestSystem::ExitProcess(int code) {
  ++exits;
  throw ProcessExit{code};
}
