// The system seam: drives, directories, files, clock, locale, printer ports,
// speaker and process end.  Paths inside the program are Windows-style
// ("D:\WORK\SRC"); a POSIX backend translates them through the drive map.
// Implementations: system_win32.cpp, system_posix.cpp and TestSystem.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// File attribute bits as directory enumeration reports them.
enum : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolume = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrReparsePoint = 0x400,  // symbolic link, junction, mount point
};

// Drive types as GetDriveTypeA reports them.
enum : int {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdrom = 5,
  kDriveRamdisk = 6,
};

// I/O error numbers reported by files.  0 is success.
enum : int {
  kIoOk = 0,
  kIoFileNotFound = 2,
  kIoPathNotFound = 3,
  kIoAccessDenied = 5,
  kIoReadBeyondEnd = 100,
  kIoDiskFull = 101,
  kIoFileExists = 80,
};

struct DirEntry {
  std::string name;
  uint32_t attributes = 0;
};

class DirReader {
 public:
  virtual ~DirReader() = default;
  // Next entry of the enumeration; false when it is exhausted.
  virtual bool Next(DirEntry* entry) = 0;
};

class File {
 public:
  virtual ~File() = default;
  // Bytes read (0 at end of file), or minus an I/O error number.
  virtual int Read(char* buffer, int bytes) = 0;
  // 0 on success, or an I/O error number.
  virtual int Write(const char* data, int bytes) = 0;
  virtual int Sync() = 0;   // data reaches the disk
  virtual int Close() = 0;  // further calls are errors
  // What the device itself said about a failure (a print spooler's
  // message), or nothing.
  virtual std::string ErrorText() { return std::string(); }
};

enum class OpenMode { kRead, kCreate /* create or truncate */,
                      kCreateNew /* fails when it exists */ };

class System {
 public:
  virtual ~System() = default;

  virtual int DriveType(int driveNumber) = 0;  // 1..26
  // Enumeration of a directory ("D:" for a root, no trailing backslash);
  // nullptr when it cannot be enumerated.
  virtual std::unique_ptr<DirReader> OpenDirectory(const std::string& path) = 0;

  virtual std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode,
                                         int* error) = 0;
  // Fails when `to` exists.
  virtual int RenameFile(const std::string& from, const std::string& to) = 0;
  // Puts `from` in place of `to` in one step, durably.
  virtual int ReplaceFile(const std::string& from, const std::string& to) = 0;
  virtual int DeleteFile(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Printer port 1..3 opened for writing.
  virtual std::unique_ptr<File> OpenPrinter(int port, int* error) = 0;

  // Current directory, Windows-style, a root with its trailing backslash.
  virtual std::string CurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // Directory of the program file (or where its data lives), ending in the
  // path separator.
  virtual std::string ProgramDirectory() = 0;
  // Where the cd handoff file goes, and its whole contents for `directory`.
  virtual std::string CdFilePath(const std::string& programDirectory) = 0;
  virtual std::string CdFileContents(const std::string& directory) = 0;

  // Local date and time in the regional short-date and long-time formats
  // (the time left out at midnight).
  virtual std::string ScanStampNow() = 0;
  virtual char DecimalSeparator() = 0;

  // Tones: the platform question and the PC speaker's ports.
  virtual bool IsNtPlatform() = 0;
  virtual uint8_t PortIn(uint16_t port) = 0;
  virtual void PortOut(uint16_t port, uint8_t value) = 0;
  virtual void MessageBeep() = 0;
  virtual void Sleep(int milliseconds) = 0;

  [[noreturn]] virtual void ExitProcess(int code) = 0;

  // Where a POSIX host differs; the defaults are the Windows behaviour.
  // A POSIX host: its launcher is the `ks` shell function, not KS.BAT.
  virtual bool PosixHost() { return false; }
  // The launcher asked for shell exit statuses (0 moved, 1 nothing, 2 error)
  // and a cd file only when the directory changed.
  virtual bool ShellStatuses() { return false; }
  // A set-up mistake that must stop the run before it starts, in words.
  virtual std::string SetupError() { return std::string(); }
  // The drive map as the user wrote it, for messages; empty without one.
  virtual std::string DriveMapText() { return std::string(); }
};

extern System* theSystem;
