// The system seam over the Windows API (ANSI calls throughout: names are
// 8-bit text in the system code page, as the scan file stores them).
#include <windows.h>
// The seam's method names; the ANSI calls are named explicitly below.
#undef DeleteFile
#undef ReplaceFile
#undef SetCurrentDirectory

#include <cstdio>
#include <string>

#include "shell/cd_batch.h"
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

class Win32DirReader : public DirReader {
 public:
  Win32DirReader(HANDLE find, const WIN32_FIND_DATAA& first)
      : find_(find), data_(first) {}
  ~Win32DirReader() override { FindClose(find_); }

  bool Next(DirEntry* entry) override {
    if (pending_) {
      pending_ = false;
    } else if (!FindNextFileA(find_, &data_)) {
      return false;
    }
    entry->name = data_.cFileName;
    uint32_t attributes = data_.dwFileAttributes & 0x3F;
    if (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
      attributes |= kAttrReparsePoint;
    entry->attributes = attributes;
    return true;
  }

 private:
  HANDLE find_;
  WIN32_FIND_DATAA data_;
  bool pending_ = true;  // the entry FindFirstFileA returned
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

class Win32System : public System {
 public:
  int DriveType(int driveNumber) override {
    if (driveNumber < 1 || driveNumber > 26) return kDriveNoRootDir;
    char root[4] = {static_cast<char>('a' + driveNumber - 1), ':', '\\', 0};
    return static_cast<int>(GetDriveTypeA(root));
  }

  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DirReader>(find, data);
  }

  std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode,
                                 int* error) override {
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
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *error = LastError();
      return nullptr;
    }
    *error = kIoOk;
    return std::make_unique<Win32File>(h);
  }

  int RenameFile(const std::string& from, const std::string& to) override {
    return MoveFileA(from.c_str(), to.c_str()) ? kIoOk : LastError();
  }

  int ReplaceFile(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? kIoOk
               : LastError();
  }

  int DeleteFile(const std::string& path) override {
    return DeleteFileA(path.c_str()) ? kIoOk : LastError();
  }

  bool FileExists(const std::string& path) override {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  std::unique_ptr<File> OpenPrinter(int port, int* error) override {
    if (port < 1 || port > 3) {
      *error = kIoPathNotFound;
      return nullptr;
    }
    std::string name = "LPT" + std::to_string(port);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *error = LastError();
      return nullptr;
    }
    *error = kIoOk;
    return std::make_unique<Win32File>(h);
  }

  std::string CurrentDirectory() override {
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    if (n == 0) return std::string();
    std::string buffer(n, '\0');
    n = GetCurrentDirectoryA(n, &buffer[0]);
    buffer.resize(n);
    return buffer;
  }

  bool SetCurrentDirectory(const std::string& path) override {
    return SetCurrentDirectoryA(path.c_str()) != 0;
  }

  std::string ProgramDirectory() override {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
      DWORD n = GetModuleFileNameA(nullptr, &buffer[0],
                                   static_cast<DWORD>(buffer.size()));
      if (n == 0) return std::string();
      if (n < buffer.size()) {
        buffer.resize(n);
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
    size_t slash = buffer.find_last_of("\\/");
    return slash == std::string::npos ? std::string()
                                      : buffer.substr(0, slash + 1);
  }

  std::string CdFilePath(const std::string& programDirectory) override {
    return programDirectory + "KS95CD.BAT";
  }

  std::string CdFileContents(const std::string& directory) override {
    return CdBatchText(directory);
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

  std::unique_ptr<FileLock> LockForRewrite(const std::string& path, int waitMs,
                                           int* error) override {
    const std::string lockPath = path + ".lock";
    const DWORD start = GetTickCount();
    for (;;) {
      HANDLE h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        *error = kIoOk;
        return std::make_unique<Win32Lock>(h);
      }
      DWORD err = GetLastError();
      if (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) {
        *error = IoError(err);
        return nullptr;
      }
      if (GetTickCount() - start >= static_cast<DWORD>(waitMs)) {
        *error = kIoLocked;
        return nullptr;
      }
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
