// The system seam over the Windows API.  Names inside the program are 8-bit
// text in the ANSI code page, as the scan file stores them; the file system
// is reached only through the wide calls, and names are converted here,
// exactly or not at all (codepage_win32.h).
#include <windows.h>
// The seam's method names; the wide calls are named explicitly below.
#undef DeleteFile
#undef ReplaceFile
#undef SetCurrentDirectory

#include <cstdio>
#include <string>
#include <utility>

#include "system/codepage_win32.h"
#include "system/platform.h"

namespace {

int IoError(DWORD err) {
  switch (err) {
    case ERROR_SUCCESS: return kIoOk;
    case ERROR_FILE_NOT_FOUND: return kIoFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME: return kIoPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return kIoAccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kIoDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return kIoFileExists;
    default: return static_cast<int>(err);
  }
}

int LastError() { return IoError(GetLastError()); }

// 100-nanosecond ticks since 1601 as nanoseconds since 1970, which fit.
int64_t FileTimeNs(const FILETIME& t) {
  uint64_t ticks = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return (static_cast<int64_t>(ticks) - 116444736000000000LL) * 100;
}

// A program path as the wide calls take it.  A path the ANSI code page does
// not define cannot come from the file system, so it names nothing.
bool WidePath(const std::string& path, std::wstring* wide) {
  if (FromAnsi(path, wide)) return true;
  SetLastError(ERROR_INVALID_NAME);
  return false;
}

// The code page cmd.exe reads a batch file in: the console's input code
// page, or the OEM code page when there is no console.
UINT BatchCodePage() {
  UINT cp = GetConsoleCP();
  return cp != 0 ? cp : GetOEMCP();
}

std::wstring WideCurrentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return std::wstring();
  std::wstring buffer(n, L'\0');
  n = GetCurrentDirectoryW(n, &buffer[0]);
  if (n >= buffer.size()) return std::wstring();
  buffer.resize(n);
  return buffer;
}

// Directory enumeration through the wide calls.  A name that the ANSI code
// page cannot hold exactly is handed on by its short name, or not at all, so
// the scan never enters it: a best-fit look-alike could name another folder
// or carry quotes and ampersands into the cd batch.
class Win32DirReader : public DirReader {
 public:
  Win32DirReader(std::wstring directory, HANDLE find,
                 const WIN32_FIND_DATAW& first)
      : directory_(std::move(directory)), find_(find), data_(first) {}
  ~Win32DirReader() override { FindClose(find_); }

  bool Next(DirEntry* entry) override {
    for (;;) {
      if (pending_) {
        pending_ = false;
      } else if (!FindNextFileW(find_, &data_)) {
        return false;
      }
      if (EntryName(&entry->name)) break;
    }
    uint32_t attributes = data_.dwFileAttributes & 0x3F;
    if (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
      attributes |= kAttrReparsePoint;
    entry->attributes = attributes;
    return true;
  }

 private:
  bool EntryName(std::string* name) {
    const std::wstring wide = data_.cFileName;
    if (ToAnsi(wide, name)) return true;
    // Only directories are ever entered; a file's short name is not worth
    // the extra look-up.
    if (!(data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The basic enumeration leaves the alternate name empty.
    std::wstring alias = data_.cAlternateFileName;
    if (alias.empty()) {
      std::wstring full = ShortPath(directory_ + L"\\" + wide);
      size_t slash = full.find_last_of(L"\\/");
      alias = slash == std::wstring::npos ? full : full.substr(slash + 1);
    }
    // A volume without 8.3 names gives the long name back.
    return !alias.empty() && alias != wide && ToAnsi(alias, name);
  }

  std::wstring directory_;
  HANDLE find_;
  WIN32_FIND_DATAW data_;
  bool pending_ = true;  // the entry the first call returned
};

class Win32File : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

  int Read(char* buffer, int bytes) override {
    if (handle_ == INVALID_HANDLE_VALUE) return -kIoAccessDenied;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(bytes), &got, nullptr))
      return -LastError();
    return static_cast<int>(got);
  }

  int Write(const char* data, int bytes) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kIoAccessDenied;
    while (bytes > 0) {
      DWORD put = 0;
      if (!WriteFile(handle_, data, static_cast<DWORD>(bytes), &put, nullptr))
        return LastError();
      if (put == 0) return kIoDiskFull;
      data += put;
      bytes -= static_cast<int>(put);
    }
    return kIoOk;
  }

  int Sync() override {
    if (handle_ == INVALID_HANDLE_VALUE) return kIoAccessDenied;
    return FlushFileBuffers(handle_) ? kIoOk : LastError();
  }

  int Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return kIoAccessDenied;
    HANDLE h = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) ? kIoOk : LastError();
  }

 private:
  HANDLE handle_;
};

// Every file and device the program opens goes through here.
Opened<File> OpenHandle(const std::string& path, DWORD access, DWORD share,
                        DWORD disposition) {
  std::wstring wide;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (WidePath(path, &wide))
    h = CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {nullptr, LastError()};
  return {std::make_unique<Win32File>(h), kIoOk};
}

class Win32System : public System {
 public:
  int DriveType(int driveNumber) override {
    if (driveNumber < 1 || driveNumber > 26) return kDriveNoRootDir;
    wchar_t root[4] = {static_cast<wchar_t>(L'a' + driveNumber - 1), L':',
                       L'\\', 0};
    return static_cast<int>(GetDriveTypeW(root));
  }

  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override {
    std::wstring directory;
    if (!WidePath(path, &directory)) return nullptr;
    const std::wstring pattern = directory + L"\\*";
    WIN32_FIND_DATAW data;
    // The basic information skips the short names, and the large fetch reads
    // a directory in fewer calls.
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE &&
        GetLastError() == ERROR_INVALID_PARAMETER)  // a system that knows neither
      find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DirReader>(std::move(directory), find, data);
  }

  // The handle is opened for its attributes only, on the folder itself and
  // not on what a reparse point leads to.
  bool StatDirectory(const std::string& path, DirStamp* stamp) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return false;
    if (wide.size() == 2) wide += L'\\';  // "D:" alone is the current folder there
    HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    stamp->device = info.dwVolumeSerialNumber;
    stamp->id = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp->modified = FileTimeNs(info.ftLastWriteTime);
    stamp->changed = 0;
    stamp->attributes = info.dwFileAttributes & 0x3F;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
      stamp->attributes |= kAttrReparsePoint;
    return true;
  }

  int64_t StampClock() override {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeNs(now);
  }

  Opened<File> OpenFile(const std::string& path, OpenMode mode) override {
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ,
          disposition = OPEN_EXISTING;
    if (mode == OpenMode::kCreate) {
      access = GENERIC_WRITE;
      share = 0;
      disposition = CREATE_ALWAYS;
    } else if (mode == OpenMode::kCreateNew) {
      access = GENERIC_WRITE;
      share = 0;
      disposition = CREATE_NEW;
    }
    return OpenHandle(path, access, share, disposition);
  }

  int ReplaceFile(const std::string& from, const std::string& to) override {
    std::wstring wideFrom, wideTo;
    if (!WidePath(from, &wideFrom) || !WidePath(to, &wideTo))
      return LastError();
    return MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? kIoOk
               : LastError();
  }

  int DeleteFile(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return LastError();
    return DeleteFileW(wide.c_str()) ? kIoOk : LastError();
  }

  Opened<File> OpenPrinter(int port) override {
    if (port < 1 || port > 3) return {nullptr, kIoPathNotFound};
    return OpenHandle("LPT" + std::to_string(port), GENERIC_WRITE, 0, OPEN_EXISTING);
  }

  // Empty when the directory has neither an exact ANSI name nor a short
  // one: the program then holds no name for it at all.
  std::string CurrentDirectory() override {
    std::string path;
    if (!ToAnsiOrShort(WideCurrentDirectory(), &path)) return std::string();
    return path;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return false;
    // Windows keeps a current directory of at most MAX_PATH - 2 characters,
    // and cmd.exe cannot enter a longer one from the cd batch; Wine's wide
    // call would take it all the same.
    if (wide.size() > MAX_PATH - 2) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    return SetCurrentDirectoryW(wide.c_str()) != 0;
  }

  std::string ProgramDirectory() override {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
      DWORD n = GetModuleFileNameW(nullptr, &buffer[0],
                                   static_cast<DWORD>(buffer.size()));
      if (n == 0) return std::string();
      if (n < buffer.size()) {
        buffer.resize(n);
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
    size_t slash = buffer.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::string();
    std::string directory;
    if (!ToAnsiOrShort(buffer.substr(0, slash + 1), &directory))
      return std::string();
    return directory;
  }

  std::string CdFilePath(const std::string& programDirectory) override {
    return programDirectory + "KS95CD.BAT";
  }

  CdFileFormat CdFormat() override { return CdFileFormat::kBatch; }

  // cmd.exe reads the batch in the console's code page, not the ANSI one;
  // a directory that code page cannot hold goes by its short path.  Nothing
  // when there is neither.
  std::optional<std::string> CdFileDirectory(const std::string& directory) override {
    std::wstring wide;
    if (!FromAnsi(directory, &wide)) return std::nullopt;
    const UINT cp = BatchCodePage();
    std::string named;
    if (NarrowExact(cp, wide, &named)) return named;
    std::wstring shortPath = ShortPath(wide);
    if (!shortPath.empty() && NarrowExact(cp, shortPath, &named)) return named;
    return std::nullopt;
  }

  std::string ScanStampNow() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[128] = "", clock[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date,
                   sizeof date);
    std::string stamp = date;
    if (now.wHour != 0 || now.wMinute != 0 || now.wSecond != 0) {
      GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, clock,
                     sizeof clock);
      stamp += std::string(" ") + clock;
    }
    return stamp;
  }

  char DecimalSeparator() override {
    char buffer[8] = "";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer,
                       sizeof buffer) > 1)
      return buffer[0];
    return '.';
  }

  bool IsNtPlatform() override {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
    if (!GetVersionExA(&info)) return true;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  }

  // The NT platform forbids port access; tones go through MessageBeep there.
  uint8_t PortIn(uint16_t) override { return 0; }
  void PortOut(uint16_t, uint8_t) override {}

  void MessageBeep() override { ::MessageBeep(0xFFFFFFFF); }

  void Sleep(int milliseconds) override {
    if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
  }

  // --- One rewrite of the scan file at a time ---------------------------
  // The lock is a file beside the scan file opened without sharing: the
  // system closes the handle, and so frees the lock, however the run ends.
  class Win32Lock : public FileLock {
   public:
    explicit Win32Lock(HANDLE h) : h_(h) {}
    ~Win32Lock() override { CloseHandle(h_); }

   private:
    HANDLE h_;
  };

  Opened<FileLock> LockForRewrite(const std::string& path, int waitMs) override {
    const std::string lockPath = path + ".lock";
    const DWORD start = GetTickCount();
    for (;;) {
      HANDLE h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h != INVALID_HANDLE_VALUE) return {std::make_unique<Win32Lock>(h), kIoOk};
      DWORD err = GetLastError();
      if (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION)
        return {nullptr, IoError(err)};
      if (GetTickCount() - start >= static_cast<DWORD>(waitMs))
        return {nullptr, kIoLocked};
      ::Sleep(20);
    }
  }

  int CheckReplaceable(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD err = GetLastError();
      return err == ERROR_FILE_NOT_FOUND ? kIoOk : IoError(err);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
      return kIoAccessDenied;
    return kIoOk;
  }

  std::string FileVersion(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      return std::string();
    char text[96];
    snprintf(text, sizeof text, "%lu:%lu:%lu:%lu",
             static_cast<unsigned long>(data.nFileSizeHigh),
             static_cast<unsigned long>(data.nFileSizeLow),
             static_cast<unsigned long>(data.ftLastWriteTime.dwHighDateTime),
             static_cast<unsigned long>(data.ftLastWriteTime.dwLowDateTime));
    return text;
  }
  // CreateTempBeside: the seam's own, through OpenFile's CREATE_NEW.
  // ----------------------------------------------------------------------

  [[noreturn]] void ExitProcess(int code) override {
    fflush(stdout);
    ::ExitProcess(static_cast<UINT>(code));
  }
};

}  // namespace

std::unique_ptr<System> CreatePlatformSystem(const char*) {
  return std::make_unique<Win32System>();
}
