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
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "win32/codepage_win32.h"
#include "platform/platform.h"
#include "win32/reparse_win32.h"
#include "win32/system_win32.h"

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

// Another program holding a file for a moment: the indexer, a virus scanner,
// or another run reading KS.DAT where an open file cannot be replaced (Wine,
// file systems without the newer rename).
bool HeldByAnother(DWORD err) {
  return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION ||
         err == ERROR_ACCESS_DENIED;
}

constexpr DWORD kPersistMs = 2000;

// Runs `attempt` until it succeeds, fails for another reason, or 2 s have
// passed.  The pauses start short and grow to 50 ms: a reader's open file
// is often free again within milliseconds.  The last error is the last
// attempt's.
template <typename Attempt>
BOOL Persist(Attempt attempt) {
  const DWORD start = GetTickCount();
  DWORD pause = 1;
  for (;;) {
    if (attempt()) return TRUE;
    const DWORD err = GetLastError();
    if (!HeldByAnother(err) || GetTickCount() - start >= kPersistMs) {
      SetLastError(err);
      return FALSE;
    }
    ::Sleep(pause);
    pause = pause * 2 > 50 ? 50 : pause * 2;
  }
}

// FILE_RENAME_INFO as the rename with flags takes it (the headers' form
// depends on the Windows version they are set to).
struct RenameInfoEx {
  DWORD flags;
  HANDLE rootDirectory;
  DWORD fileNameLength;
  WCHAR fileName[1];
};
constexpr int kFileRenameInfoEx = 22;
constexpr DWORD kRenameReplaceIfExists = 0x1;
constexpr DWORD kRenamePosixSemantics = 0x2;

// Puts `from` in place of `to` once.  The rename with POSIX semantics
// (Windows 10 and later) replaces a file that others hold open with delete
// sharing, and they go on reading the old one; systems that do not know it
// refuse it as an unknown parameter or request, and MoveFileExW is the
// replace they have.
BOOL ReplaceOnce(const std::wstring& from, const std::wstring& to) {
  HANDLE h = CreateFileW(from.c_str(), DELETE | SYNCHRONIZE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  const size_t nameBytes = to.size() * sizeof(WCHAR);
  std::vector<unsigned char> buffer(sizeof(RenameInfoEx) + nameBytes);
  RenameInfoEx* info = reinterpret_cast<RenameInfoEx*>(buffer.data());
  info->flags = kRenameReplaceIfExists | kRenamePosixSemantics;
  info->rootDirectory = nullptr;
  info->fileNameLength = static_cast<DWORD>(nameBytes);
  memcpy(info->fileName, to.c_str(), nameBytes + sizeof(WCHAR));
  BOOL renamed = SetFileInformationByHandle(
      h, static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileRenameInfoEx), info,
      static_cast<DWORD>(buffer.size()));
  const DWORD err = GetLastError();
  CloseHandle(h);
  if (renamed) return TRUE;
  if (err != ERROR_INVALID_PARAMETER && err != ERROR_NOT_SUPPORTED &&
      err != ERROR_INVALID_FUNCTION) {
    SetLastError(err);
    return FALSE;
  }
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

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
// page cannot hold exactly is handed on by its short name, or with no name at
// all, so that the scan counts it but never enters it: a best-fit look-alike
// could name another folder or carry quotes and ampersands into the cd batch.
class Win32DirReader : public DirReader {
 public:
  Win32DirReader(const NameConversion& names, std::wstring directory, HANDLE find,
                 const WIN32_FIND_DATAW& first)
      : names_(names), directory_(std::move(directory)), find_(find), data_(first) {}
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
    entry->attributes = FindDataAttributes(data_.dwFileAttributes, data_.dwReserved0);
    return true;
  }

 private:
  // False for an entry not worth handing on.  A directory without a name
  // the program can hold comes with an empty one.
  bool EntryName(std::string* name) {
    const std::wstring wide = data_.cFileName;
    if (names_.toAnsi(wide, name)) return true;
    // Only directories are ever entered; a file's short name is not worth
    // the extra look-up.
    if (!(data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The basic enumeration leaves the alternate name empty.
    std::wstring alias = data_.cAlternateFileName;
    if (alias.empty()) {
      std::wstring full = names_.shortPath(directory_ + L"\\" + wide);
      size_t slash = full.find_last_of(L"\\/");
      alias = slash == std::wstring::npos ? full : full.substr(slash + 1);
    }
    // A volume without 8.3 names gives the long name back.
    if (!alias.empty() && alias != wide && names_.toAnsi(alias, name)) return true;
    // A leading full stop keeps a name out of every scan here anyway.
    name->clear();
    return wide[0] != L'.';
  }

  const NameConversion names_;
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

  bool Seek(int64_t offset) override {
    if (handle_ == INVALID_HANDLE_VALUE || GetFileType(handle_) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (handle_ == INVALID_HANDLE_VALUE || GetFileType(handle_) != FILE_TYPE_DISK ||
        !GetFileSizeEx(handle_, &size))
      return -1;
    return size.QuadPart;
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
  explicit Win32System(const NameConversion& names) : names_(names) {}

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
    return std::make_unique<Win32DirReader>(names_, std::move(directory), find, data);
  }

  unsigned NameCodePage() override { return GetACP(); }
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
    // A reader shares everything, so that a rewrite can replace the file
    // under it (it goes on reading the old one) and can delete it.
    DWORD access = GENERIC_READ,
          share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

  // The file itself is flushed by its writer; the rename is the same either
  // way.
  int ReplaceFile(const std::string& from, const std::string& to,
                  bool /*durable*/ = true) override {
    std::wstring wideFrom, wideTo;
    if (!WidePath(from, &wideFrom) || !WidePath(to, &wideTo))
      return LastError();
    return Persist([&] { return ReplaceOnce(wideFrom, wideTo); }) ? kIoOk : LastError();
  }

  int DeleteFile(const std::string& path) override {
    std::wstring wide;
    if (!WidePath(path, &wide)) return LastError();
    return Persist([&] { return DeleteFileW(wide.c_str()); }) ? kIoOk : LastError();
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

  // PowerShell decodes a program's output in the console's output code
  // page; a name without an exact form there would come back as another
  // name, or as a "?" that asks for the option list.
  std::optional<std::string> ShellOutputText(const std::string& text) override {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    UINT cp = GetConsoleOutputCP();
    if (cp == 0) cp = GetOEMCP();
    if (ascii || cp == GetACP()) return text;
    std::wstring wide;
    std::string shown;
    if (FromAnsi(text, &wide) && NarrowExact(cp, wide, &shown)) return shown;
    return std::nullopt;
  }

  // The PowerShell launcher asks for the statuses a shell expects.
  bool ShellStatuses() override {
    char value[16] = "";
    DWORD n = GetEnvironmentVariableA("KS95_STATUS", value, sizeof value);
    return n > 0 && n < sizeof value && std::strcmp(value, "shell") == 0;
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
    std::wstring lockPath;
    if (!WidePath(path + ".lock", &lockPath)) return {nullptr, LastError()};
    const DWORD start = GetTickCount();
    for (;;) {
      HANDLE h = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
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
    std::wstring wide;
    if (!WidePath(path, &wide)) return LastError();
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD err = GetLastError();
      return err == ERROR_FILE_NOT_FOUND ? kIoOk : IoError(err);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
      return kIoAccessDenied;
    return kIoOk;
  }

  std::string FileVersion(const std::string& path) override {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!WidePath(path, &wide) ||
        !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
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

  unsigned long ProcessId() override { return GetCurrentProcessId(); }

  bool ProcessAlive(unsigned long pid) override {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 static_cast<DWORD>(pid));
    // Only "no such process" tells that it has gone; a process we may not
    // look at still runs.
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const BOOL known = GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return !known || code == STILL_ACTIVE;
  }

  [[noreturn]] void ExitProcess(int code) override {
    fflush(stdout);
    ::ExitProcess(static_cast<UINT>(code));
  }

 private:
  const NameConversion names_;
};

}  // namespace

std::unique_ptr<System> CreatePlatformSystem(const char*) {
  return std::make_unique<Win32System>(NameConversion());
}

std::unique_ptr<System> CreateWin32System(const NameConversion& names) {
  return std::make_unique<Win32System>(names);
}
