// The system seam over POSIX.  Drive letters map to host directories
// (KS95_DRIVES); paths arriving here are drive paths ("D:\WORK") or host
// paths ("/home/u/ks/KS.DAT"), and the current directory is reported as a
// drive path whenever a mapped drive holds it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <langinfo.h>
#include <pthread.h>
#include <sched.h>
#include <locale.h>
#include <stdio.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cd_format.h"
#include "posix/clock_posix.h"
#include "posix/drive_map.h"
#include "platform/platform.h"
#include "posix/walk_posix.h"

namespace {

int IoError(int err) {
  switch (err) {
    case 0: return kIoOk;
    case ENOENT: return kIoFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return kIoPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY: return kIoAccessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return kIoDiskFull;
    case EEXIST: return kIoFileExists;
    // Anything else keeps its own number, clear of the numbers above.
    default: return 1000 + err;
  }
}

int LastError() { return IoError(errno); }

class PosixDirReader : public DirReader {
 public:
  PosixDirReader(DIR* dir, std::string hostPath)
      : dir_(dir), hostPath_(std::move(hostPath)) {}
  ~PosixDirReader() override { closedir(dir_); }

  bool Next(DirEntry* entry) override {
    for (;;) {
      struct dirent* d = readdir(dir_);
      if (!d) return false;
      // A drive path cannot express a backslash inside a name; such an
      // entry is left out rather than shown under a different name.
      if (strchr(d->d_name, '\\')) continue;
      entry->name = d->d_name;
      entry->attributes = Attributes(d);
      return true;
    }
  }

 private:
  uint32_t Attributes(const struct dirent* d) {
    unsigned char type = d->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (lstat(Child(d->d_name).c_str(), &st) != 0) return kAttrArchive;
      if (S_ISDIR(st.st_mode)) type = DT_DIR;
      else if (S_ISLNK(st.st_mode)) type = DT_LNK;
      else type = DT_REG;
    }
    if (type == DT_DIR)
      return d->d_name[0] == '.' ? kAttrDirectory | kAttrHidden : kAttrDirectory;
    if (type == DT_LNK) {
      // Links are reparse points, never walked into; only their target's
      // kind is worth a stat.
      struct stat st;
      if (stat(Child(d->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return kAttrReparsePoint | kAttrDirectory;
      return kAttrReparsePoint;
    }
    return kAttrArchive;
  }

  std::string Child(const char* name) const {
    if (!hostPath_.empty() && hostPath_.back() == '/') return hostPath_ + name;
    return hostPath_ + "/" + name;
  }

  DIR* dir_;
  std::string hostPath_;
};

// Writes every byte, going on after short writes and interruptions.
int WriteAll(int fd, const char* data, int bytes) {
  while (bytes > 0) {
    ssize_t n = ::write(fd, data, static_cast<size_t>(bytes));
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data += n;
    bytes -= static_cast<int>(n);
  }
  return kIoOk;
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int Read(char* buffer, int bytes) override {
    if (fd_ < 0) return -kIoAccessDenied;
    for (;;) {
      ssize_t n = ::read(fd_, buffer, static_cast<size_t>(bytes));
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return -LastError();
    }
  }

  int Write(const char* data, int bytes) override {
    if (fd_ < 0) return kIoAccessDenied;
    int error = WriteAll(fd_, data, bytes);
#ifdef SYNC_FILE_RANGE_WRITE
    // What is written is synced before it is used: the disk starts on each
    // megabyte at once, and the sync at the end waits only for the rest.
    written_ += bytes;
    if (error == kIoOk && written_ - started_ >= (1 << 20)) {
      sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
      started_ = written_;
    }
#endif
    return error;
  }

  int Sync() override {
    if (fd_ < 0) return kIoAccessDenied;
    return fsync(fd_) == 0 ? kIoOk : LastError();
  }

  int Close() override {
    if (fd_ < 0) return kIoAccessDenied;
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? kIoOk : LastError();
  }

  bool Seek(int64_t offset) override {
    return fd_ >= 0 && lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == offset;
  }

  int64_t Size() override {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
  }

 private:
  int fd_;
  off_t written_ = 0;
  off_t started_ = 0;  // where writeback was last started up to
};

class PosixLock : public FileLock {
 public:
  explicit PosixLock(int fd) : fd_(fd) {}
  ~PosixLock() override { ::close(fd_); }

 private:
  int fd_;
};

// The print spooler: the printout goes to `lp` (the default printer) through
// a pipe; what lp says on failure is kept for the status line.
class SpoolerFile : public File {
 public:
  static Opened<File> Start(const std::string& lp) {
    int pipeFds[2];
    FILE* messages = tmpfile();
    if (!messages || pipe2(pipeFds, O_CLOEXEC) != 0) {
      int error = LastError();
      if (messages) fclose(messages);
      return {nullptr, error};
    }
    pid_t pid = fork();
    if (pid == 0) {
      int devnull = ::open("/dev/null", O_WRONLY);
      dup2(pipeFds[0], 0);
      if (devnull >= 0) dup2(devnull, 1);
      dup2(fileno(messages), 2);
      execl(lp.c_str(), "lp", "-s", static_cast<char*>(nullptr));
      _exit(127);
    }
    ::close(pipeFds[0]);
    if (pid < 0) {
      int error = LastError();
      ::close(pipeFds[1]);
      fclose(messages);
      return {nullptr, error};
    }
    return {std::unique_ptr<File>(new SpoolerFile(pid, pipeFds[1], messages)), kIoOk};
  }

  ~SpoolerFile() override {
    if (fd_ >= 0) Close();
    if (messages_) fclose(messages_);
  }

  int Read(char*, int) override { return -kIoAccessDenied; }

  int Write(const char* data, int bytes) override {
    return fd_ < 0 ? kIoAccessDenied : WriteAll(fd_, data, bytes);
  }

  int Sync() override { return kIoOk; }

  int Close() override {
    if (fd_ < 0) return kIoAccessDenied;
    ::close(fd_);
    fd_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    sigaction(SIGPIPE, &oldPipe_, nullptr);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return kIoOk;
    ReadMessage();
    return kIoAccessDenied;
  }

  std::string ErrorText() override {
    if (fd_ < 0 && message_.empty()) ReadMessage();
    return message_;
  }

 private:
  SpoolerFile(pid_t pid, int fd, FILE* messages)
      : pid_(pid), fd_(fd), messages_(messages) {
    // A spooler that gives up early must fail the write, not end us.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &oldPipe_);
  }

  // The spooler's first line of complaint.
  void ReadMessage() {
    if (!messages_) return;
    char line[256] = "";
    rewind(messages_);
    if (fgets(line, sizeof line, messages_)) {
      message_ = line;
      while (!message_.empty() &&
             (message_.back() == '\n' || message_.back() == '\r'))
        message_.pop_back();
    }
    if (message_.empty()) message_ = "lp failed";
  }

  pid_t pid_;
  int fd_;
  FILE* messages_;
  struct sigaction oldPipe_ = {};
  std::string message_;
};

// The full path of `name` on the PATH, or empty.
std::string FindOnPath(const char* name) {
  const char* path = getenv("PATH");
  for (const std::string& dir : SplitList(path ? path : "", ':')) {
    if (dir.empty()) continue;  // the current folder is never searched
    std::string candidate = dir + "/" + name;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return std::string();
}

std::string HostDirectoryOf(const std::string& hostPath) {
  size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

int SyncDirectory(const std::string& hostDir) {
  int fd = ::open(hostDir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return LastError();
  int result = fsync(fd) == 0 ? kIoOk : LastError();
  ::close(fd);
  return result;
}

std::string AbsoluteDirectory(const std::string& dir) {
  std::string out = dir;
  if (out.empty() || out[0] != '/') {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer)) out = std::string(buffer) + "/" + out;
  }
  if (out.back() != '/') out += '/';
  return out;
}

// Without KS95_DRIVES: C is "/", and each other local disk file system
// mounted (a /home partition, a data disk) gets the next letter.
DriveMap HostDefaultDriveMap() {
  std::string table;
  for (const char* name : {"/proc/self/mountinfo", "/proc/mounts"}) {
    FILE* f = fopen(name, "re");
    if (!f) continue;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) table.append(buffer, n);
    fclose(f);
    break;
  }
  std::vector<std::string> mounts;
  for (const std::string& m : LocalDiskMounts(table)) {
    struct stat st;
    if (stat(m.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) mounts.push_back(m);
  }
  return DefaultDriveMap(mounts);
}

class PosixSystem : public System {
 public:
  explicit PosixSystem(const char* argv0) : argv0_(argv0 ? argv0 : "") {
    const char* drives = getenv("KS95_DRIVES");
    map_ = drives && *drives ? ParseDriveMap(drives, getenv("HOME"))
                             : HostDefaultDriveMap();
    setupError_ = DriveMapError(drives, getenv("HOME"), LookUpFolder);
    // getcwd reports resolved paths, so the roots are resolved too.
    for (std::string& root : map_.root) {
      if (root.empty()) continue;
      char resolved[PATH_MAX];
      if (realpath(root.c_str(), resolved)) root = resolved;
    }
  }

#ifdef __linux__
  void PlaceThread(std::thread& t, int turn) override {
    cpu_set_t allowed;
    const int here = sched_getcpu();
    if (here < 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    const int count = CPU_COUNT(&allowed);
    if (count < 2) return;
    int step = turn % count + 1;
    for (int cpu = here;;) {
      cpu = (cpu + 1) % CPU_SETSIZE;
      if (CPU_ISSET(cpu, &allowed) && --step == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        pthread_setaffinity_np(t.native_handle(), sizeof one, &one);
        return;
      }
    }
  }

  // The maker's own processors are those the thread had.
  void FreeThread(std::thread& t) override {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
      pthread_setaffinity_np(t.native_handle(), sizeof allowed, &allowed);
  }
#endif

  int DriveType(int driveNumber) override {
    if (driveNumber < 1 || driveNumber > 26) return kDriveNoRootDir;
    const std::string& root = map_.root[driveNumber];
    struct stat st;
    if (root.empty() || stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return kDriveNoRootDir;
    return kDriveFixed;
  }

  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return nullptr;
    DIR* dir = opendir(host.c_str());
    if (!dir) return nullptr;
    return std::make_unique<PosixDirReader>(dir, host);
  }

  OpenedWalk OpenWalk(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) {
      OpenedWalk skipped;
      skipped.status = WalkStatus::kSkip;
      return skipped;
    }
    return OpenPosixWalk(host);
  }

  int64_t StampClock() override {
    struct timespec now;
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
    return now.tv_sec * 1000000000LL + now.tv_nsec;
  }

  Opened<File> OpenFile(const std::string& path, OpenMode mode) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return {nullptr, kIoPathNotFound};
    int flags = O_RDONLY;
    if (mode == OpenMode::kCreate) flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (mode == OpenMode::kCreateNew) flags = O_WRONLY | O_CREAT | O_EXCL;
    int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
      int error = LastError();
      // Windows tells a missing folder from a missing file; so do we.
      struct stat st;
      if (errno == ENOENT && stat(HostDirectoryOf(host).c_str(), &st) != 0)
        error = kIoPathNotFound;
      return {nullptr, error};
    }
    // A directory opens for reading on POSIX but is no file to the program.
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return {nullptr, kIoAccessDenied};
    }
    return {std::make_unique<PosixFile>(fd), kIoOk};
  }

  int ReplaceFile(const std::string& from, const std::string& to,
                  bool durable = true) override {
    std::string hostFrom, hostTo;
    if (!ToHostPath(map_, from, &hostFrom) || !ToHostPath(map_, to, &hostTo))
      return kIoPathNotFound;
    if (!durable) return ::rename(hostFrom.c_str(), hostTo.c_str()) == 0 ? kIoOk : LastError();
    int fd = ::open(hostFrom.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LastError();
    int synced = fsync(fd) == 0 ? kIoOk : LastError();
    ::close(fd);
    if (synced != kIoOk) return synced;
    if (::rename(hostFrom.c_str(), hostTo.c_str()) != 0) return LastError();
    return SyncDirectory(HostDirectoryOf(hostTo));
  }

  int DeleteFile(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return kIoPathNotFound;
    return ::unlink(host.c_str()) == 0 ? kIoOk : LastError();
  }

  Opened<FileLock> LockForRewrite(const std::string& path, int waitMs) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return {nullptr, kIoPathNotFound};
    // A lock file rather than the scan file itself: the scan file is
    // replaced by every rewrite, and a lock on the old one guards nothing.
    // It takes the scan file's permissions, so that whoever may rewrite the
    // one may lock the other.
    struct stat st;
    mode_t mode = stat(host.c_str(), &st) == 0 ? (st.st_mode & 0666) : 0666;
    std::string lockPath = host + ".lock";
    int fd = ::open(lockPath.c_str(),
                    O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    // Someone else's lock file that we may not write still locks.
    if (fd < 0 && errno == EACCES)
      fd = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {nullptr, LastError()};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return {nullptr, kIoAccessDenied};
    }
    const long long deadline = MonotonicMs() + waitMs;
    for (;;) {
      if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return {std::make_unique<PosixLock>(fd), kIoOk};
      int err = errno;
      if (err == EINTR) continue;
      if (err != EWOULDBLOCK || MonotonicMs() >= deadline) {
        ::close(fd);
        return {nullptr, err == EWOULDBLOCK ? kIoLocked : IoError(err)};
      }
      Sleep(20);
    }
  }

  int CheckReplaceable(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return kIoPathNotFound;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return errno == ENOENT ? kIoOk : LastError();
    if (!S_ISREG(st.st_mode)) return kIoAccessDenied;
    // No write bit at all is read-only for everyone, the superuser included.
    if ((st.st_mode & 0222) == 0) return kIoAccessDenied;
    if (faccessat(AT_FDCWD, host.c_str(), W_OK, AT_EACCESS) != 0)
      return kIoAccessDenied;
    return kIoOk;
  }

  std::string FileVersion(const std::string& path) override {
    std::string host;
    struct stat st;
    if (!ToHostPath(map_, path, &host) || stat(host.c_str(), &st) != 0)
      return std::string();
    char text[160];
    snprintf(text, sizeof text, "%llu:%llu:%lld:%lld.%09ld",
             static_cast<unsigned long long>(st.st_dev),
             static_cast<unsigned long long>(st.st_ino),
             static_cast<long long>(st.st_size),
             static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec);
    return text;
  }

  OpenedTemp CreateTempBeside(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return {{nullptr, kIoPathNotFound}, std::string()};
    struct stat old;
    bool haveOld = stat(host.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[64];
      snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(getpid()),
               ++counter);
      // O_EXCL never opens what is there, a link included; a name that is
      // taken (a leftover, or someone else's plant) just means another name.
      int fd = ::open((host + suffix).c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      haveOld ? 0600 : 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return {{nullptr, LastError()}, std::string()};
      }
      if (haveOld) {
        // The owner where we may set it (the superuser may); the mode always.
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
          int ignored = fchown(fd, static_cast<uid_t>(-1), old.st_gid);
          (void)ignored;
        }
        int ignored = fchmod(fd, old.st_mode & 0777);
        (void)ignored;
      }
      return {{std::make_unique<PosixFile>(fd), kIoOk}, path + suffix};
    }
    return {{nullptr, kIoFileExists}, std::string()};
  }

  Opened<File> CreateCdFile(const std::string& path) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) return {nullptr, kIoPathNotFound};
    const char* privateFile = getenv("KS95_CDFILE");
    int fd;
    if (privateFile && *privateFile && path == privateFile) {
      // The launcher's own file: used only when it is a plain file of ours,
      // and emptied only after that check.
      fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0600);
      struct stat st;
      if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                      st.st_uid != geteuid() || ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return {nullptr, kIoAccessDenied};
      }
    } else {
      // The shared default name: made afresh, so that whatever stood there
      // (a link, another user's file) is never written through.
      ::unlink(host.c_str());
      fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  0600);
    }
    if (fd < 0) return {nullptr, LastError()};
    return {std::make_unique<PosixFile>(fd), kIoOk};
  }

  Opened<File> OpenPrinter(int port) override {
    if (port < 1 || port > 3) return {nullptr, kIoPathNotFound};
    std::string name = "KS95_LPT" + std::to_string(port);
    const char* configured = getenv(name.c_str());
    int fd;
    if (configured && *configured) {
      // A configured printer may be a plain file that does not exist yet.
      fd = ::open(configured, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } else if (std::string lp = FindOnPath("lp"); !lp.empty()) {
      return SpoolerFile::Start(lp);
    } else {
      // Never create a file among the devices.
      std::string device = "/dev/lp" + std::to_string(port - 1);
      fd = ::open(device.c_str(), O_WRONLY | O_CLOEXEC);
    }
    if (fd < 0) return {nullptr, LastError()};
    return {std::make_unique<PosixFile>(fd), kIoOk};
  }

  std::string CurrentDirectory() override {
    std::string host = HostCurrentDirectory();
    std::string drivePath = ToDrivePath(map_, host);
    // Outside every mapped drive the host path is all there is.
    return drivePath.empty() ? host : drivePath;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    std::string host;
    return ToHostPath(map_, path, &host) && chdir(host.c_str()) == 0;
  }

  std::string ProgramDirectory() override {
    const char* home = getenv("KS95_HOME");
    if (home && *home) return AbsoluteDirectory(home);
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) {
      buffer[n] = '\0';
      return HostDirectoryOf(buffer) == "/" ? "/" : HostDirectoryOf(buffer) + "/";
    }
    if (realpath(argv0_.c_str(), buffer)) {
      std::string dir = HostDirectoryOf(buffer);
      return dir == "/" ? "/" : dir + "/";
    }
    return AbsoluteDirectory(".");
  }

  std::string CdFilePath(const std::string& programDirectory) override {
    const char* privateFile = getenv("KS95_CDFILE");
    if (privateFile && *privateFile) return privateFile;
    return programDirectory + "ks95cd.sh";
  }

  CdFileFormat CdFormat() override { return PosixCdFormat(getenv("KS95_CDFORMAT")); }

  std::optional<std::string> CdFileDirectory(const std::string& directory) override {
    std::string host;
    if (!ToHostPath(map_, directory, &host)) return directory;
    return host;
  }

  std::string ScanStampNow() override {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    // The user's locale for this one call; the program's own stays "C".
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
      loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    char date[128] = "", clock[128] = "";
    strftime_l(date, sizeof date, "%x", &local, loc);
    strftime_l(clock, sizeof clock, "%X", &local, loc);
    freelocale(loc);
    std::string stamp = date;
    if (!midnight) stamp += std::string(" ") + clock;
    return stamp;
  }

  char DecimalSeparator() override {
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return '.';
    const char* point = nl_langinfo_l(RADIXCHAR, loc);
    char c = point && point[0] && !point[1] ? point[0] : '.';
    freelocale(loc);
    return c;
  }

  bool IsNtPlatform() override { return true; }
  uint8_t PortIn(uint16_t) override { return 0; }
  void PortOut(uint16_t, uint8_t) override {}

  void MessageBeep() override {
    // The terminal, not stdout: stdout may be a pipe or a file.
    int fd = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    ssize_t ignored = ::write(fd, "\a", 1);
    (void)ignored;
    ::close(fd);
  }

  void Sleep(int milliseconds) override {
    if (milliseconds <= 0) return;
    struct timespec t;
    t.tv_sec = milliseconds / 1000;
    t.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
  }

  [[noreturn]] void ExitProcess(int code) override {
    // The end hooks have run and the console is shut down: freeing the scan
    // list and the drives one string at a time would only delay the shell.
    fflush(nullptr);
    _exit(code);
  }

  unsigned long ProcessId() override { return static_cast<unsigned long>(getpid()); }

  bool ProcessAlive(unsigned long pid) override {
    // kill(0) and kill(-1) would name groups of processes, not one.
    if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX)) return true;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
  }

  bool ShellStatuses() override {
    const char* status = getenv("KS95_STATUS");
    return status && strcmp(status, "shell") == 0;
  }

  std::string SetupError() override { return setupError_; }

  std::string DriveFolder(int driveNumber) override {
    return driveNumber >= 1 && driveNumber <= 26 ? map_.root[driveNumber] : std::string();
  }

  std::string DriveMapText() override {
    const char* drives = getenv("KS95_DRIVES");
    return (drives && *drives ? "KS95_DRIVES=\"" : "(KS95_DRIVES unset) \"") +
           ::DriveMapText(map_) + "\"";
  }

 private:
  static std::string HostCurrentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
      if (getcwd(&buffer[0], buffer.size())) return buffer.c_str();
      // A removed working directory: "." keeps the shell where it is
      // instead of naming some other directory.
      if (errno != ERANGE) return ".";
      buffer.resize(buffer.size() * 2);
    }
  }

  static HostFolder LookUpFolder(const std::string& dir) {
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) return HostFolder::kMissing;
    return S_ISDIR(st.st_mode) ? HostFolder::kFolder : HostFolder::kNotFolder;
  }

  std::string argv0_;
  DriveMap map_;
  std::string setupError_;
};

}  // namespace

std::unique_ptr<System> CreatePlatformSystem(const char* argv0) {
  return std::make_unique<PosixSystem>(argv0);
}
