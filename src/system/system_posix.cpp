// The system seam over POSIX.  Drive letters map to host directories
// (KS95_DRIVES); paths arriving here are drive paths ("D:\WORK") or host
// paths ("/home/u/ks/KS.DAT"), and the current directory is reported as a
// drive path whenever a mapped drive holds it.
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
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

#include "system/cd_format.h"
#include "system/drive_map.h"
#include "system/platform.h"

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
    if (type == DT_DIR) return kAttrDirectory;
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
    size_t left = static_cast<size_t>(bytes);
    while (left > 0) {
      ssize_t n = ::write(fd_, data, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      data += n;
      left -= static_cast<size_t>(n);
    }
    return kIoOk;
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

 private:
  int fd_;
};

// The print spooler: the printout goes to `lp` (the default printer) through
// a pipe; what lp says on failure is kept for the status line.
class SpoolerFile : public File {
 public:
  static std::unique_ptr<File> Start(const std::string& lp, int* error) {
    int pipeFds[2];
    FILE* messages = tmpfile();
    if (!messages || pipe2(pipeFds, O_CLOEXEC) != 0) {
      *error = LastError();
      if (messages) fclose(messages);
      return nullptr;
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
      *error = LastError();
      ::close(pipeFds[1]);
      fclose(messages);
      return nullptr;
    }
    *error = kIoOk;
    return std::unique_ptr<File>(new SpoolerFile(pid, pipeFds[1], messages));
  }

  ~SpoolerFile() override {
    if (fd_ >= 0) Close();
    if (messages_) fclose(messages_);
  }

  int Read(char*, int) override { return -kIoAccessDenied; }

  int Write(const char* data, int bytes) override {
    if (fd_ < 0) return kIoAccessDenied;
    while (bytes > 0) {
      ssize_t n = ::write(fd_, data, static_cast<size_t>(bytes));
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      data += n;
      bytes -= static_cast<int>(n);
    }
    return kIoOk;
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
  std::string list = path ? path : "";
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(':', pos);
    if (end == std::string::npos) end = list.size();
    std::string dir = list.substr(pos, end - pos);
    pos = end + 1;
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

class PosixSystem : public System {
 public:
  explicit PosixSystem(const char* argv0) : argv0_(argv0 ? argv0 : "") {
    const char* drives = getenv("KS95_DRIVES");
    map_ = ParseDriveMap(drives, getenv("HOME"));
    setupError_ = DriveMapError(drives, getenv("HOME"), IsFolder);
    // getcwd reports resolved paths, so the roots are resolved too.
    for (std::string& root : map_.root) {
      if (root.empty()) continue;
      char resolved[PATH_MAX];
      if (realpath(root.c_str(), resolved)) root = resolved;
    }
  }

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

  std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode,
                                 int* error) override {
    std::string host;
    if (!ToHostPath(map_, path, &host)) {
      *error = kIoPathNotFound;
      return nullptr;
    }
    int flags = O_RDONLY;
    if (mode == OpenMode::kCreate) flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (mode == OpenMode::kCreateNew) flags = O_WRONLY | O_CREAT | O_EXCL;
    int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
      *error = LastError();
      // Windows tells a missing folder from a missing file; so do we.
      struct stat st;
      if (errno == ENOENT && stat(HostDirectoryOf(host).c_str(), &st) != 0)
        *error = kIoPathNotFound;
      return nullptr;
    }
    // A directory opens for reading on POSIX but is no file to the program.
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      *error = kIoAccessDenied;
      return nullptr;
    }
    *error = kIoOk;
    return std::make_unique<PosixFile>(fd);
  }

  int RenameFile(const std::string& from, const std::string& to) override {
    std::string hostFrom, hostTo;
    if (!ToHostPath(map_, from, &hostFrom) || !ToHostPath(map_, to, &hostTo))
      return kIoPathNotFound;
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(),
                  RENAME_NOREPLACE) == 0)
      return kIoOk;
    if (errno != EINVAL && errno != ENOSYS) return LastError();
#endif
    // File systems without an exclusive rename: test, then rename.
    struct stat st;
    if (lstat(hostTo.c_str(), &st) == 0) return kIoFileExists;
    return ::rename(hostFrom.c_str(), hostTo.c_str()) == 0 ? kIoOk
                                                          : LastError();
  }

  int ReplaceFile(const std::string& from, const std::string& to) override {
    std::string hostFrom, hostTo;
    if (!ToHostPath(map_, from, &hostFrom) || !ToHostPath(map_, to, &hostTo))
      return kIoPathNotFound;
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

  bool FileExists(const std::string& path) override {
    std::string host;
    struct stat st;
    return ToHostPath(map_, path, &host) && stat(host.c_str(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
  }

  std::unique_ptr<File> OpenPrinter(int port, int* error) override {
    if (port < 1 || port > 3) {
      *error = kIoPathNotFound;
      return nullptr;
    }
    std::string name = "KS95_LPT" + std::to_string(port);
    const char* configured = getenv(name.c_str());
    int fd;
    if (configured && *configured) {
      // A configured printer may be a plain file that does not exist yet.
      fd = ::open(configured, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } else if (std::string lp = FindOnPath("lp"); !lp.empty()) {
      return SpoolerFile::Start(lp, error);
    } else {
      // Never create a file among the devices.
      std::string device = "/dev/lp" + std::to_string(port - 1);
      fd = ::open(device.c_str(), O_WRONLY | O_CLOEXEC);
    }
    if (fd < 0) {
      *error = LastError();
      return nullptr;
    }
    *error = kIoOk;
    return std::make_unique<PosixFile>(fd);
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

  std::string CdFileContents(const std::string& directory) override {
    std::string host;
    if (!ToHostPath(map_, directory, &host)) host = directory;
    return PosixCdFileText(host, getenv("KS95_CDFORMAT"));
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
    fflush(stdout);
    std::exit(code);
  }

  bool PosixHost() override { return true; }

  bool ShellStatuses() override {
    const char* status = getenv("KS95_STATUS");
    return status && strcmp(status, "shell") == 0;
  }

  std::string SetupError() override { return setupError_; }

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

  static bool IsFolder(const std::string& dir) {
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  std::string argv0_;
  DriveMap map_;
  std::string setupError_;
};

}  // namespace

std::unique_ptr<System> CreatePlatformSystem(const char* argv0) {
  return std::make_unique<PosixSystem>(argv0);
}
