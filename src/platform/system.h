// The system seam: drives, directories, files, clock, locale, printer ports,
// speaker and process end.  Paths inside the program are Windows-style
// ("D:\WORK\SRC"); a POSIX backend translates them through the drive map.
// Implementations: system_win32.cpp, system_posix.cpp and TestSystem.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// File attribute bits as directory enumeration reports them.
enum : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolume = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  // A link the scan never follows: a symbolic link, a junction, a mount
  // point; not every Windows reparse point (see reparse_win32.h).
  kAttrReparsePoint = 0x400,
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
  kIoLocked = 33,  // another process holds the lock
};

// A directory whose name the program cannot hold (Windows: no exact form in
// the ANSI code page and no short name) comes with an empty name, so that a
// scan can say how many it left out.
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

// A directory opened for a scan.  Its subdirectories are listed in one go
// and opened through it, so that a backend can open them relative to it.
// Read is called once, before any OpenChild; OpenChild may then run on
// several threads at once.  Different handles may be used on different
// threads at once.
enum class WalkStatus {
  kOk,
  kSkip,         // access denied or vanished: listed, but nothing below it
  kOtherDevice,  // a mount point: neither listed nor entered
  kFailed,       // anything else: the scan cannot be trusted
};

struct WalkEntries {
  std::string names;                 // each name followed by a 0 byte; empty
                                     // for a name the program cannot hold
  std::vector<uint32_t> attributes;  // one per name
};

class WalkDir;

// What tells a rescan whether a directory's listing may have changed since
// it was last read: its identity (device and inode, or volume and file ID)
// and times, in nanoseconds.  `changed` is the status-change time where the
// system keeps one (a time set back by hand still moves it), else 0.
struct DirStamp {
  uint64_t device = 0;
  uint64_t id = 0;
  int64_t modified = 0;
  int64_t changed = 0;
  uint32_t attributes = 0;  // kAttr bits, as an enumeration would give them
  bool operator==(const DirStamp& o) const {
    return device == o.device && id == o.id && modified == o.modified && changed == o.changed;
  }
};

// A directory opened for a scan: the handle (only when kOk), or why not.
struct OpenedWalk {
  std::unique_ptr<WalkDir> dir;
  WalkStatus status = WalkStatus::kOk;
  std::string error;  // on kFailed, the system's words
};

class WalkDir {
 public:
  virtual ~WalkDir() = default;
  // The entries that are directories or links to them, in the file
  // system's order, without "." and "..".  Fills the caller's buffers, which
  // a scan reuses; on kFailed, *error says why.
  virtual WalkStatus Read(WalkEntries* entries, std::string* error) = 0;
  virtual OpenedWalk OpenChild(const std::string& name) = 0;
  // This directory's own stamp; false where the system keeps none, and then
  // no rescan reuses anything.
  virtual bool Stamp(DirStamp*) { return false; }
  // One status call on a subdirectory, without opening or reading it: kOk
  // with its stamp, kSkip when it is gone, denied or no longer a directory,
  // kOtherDevice for a mount point (told as OpenChild tells it), kFailed.
  // May be called before, after or instead of Read.
  virtual WalkStatus StatChild(const std::string& name, DirStamp* stamp, std::string* error) {
    (void)name;
    (void)stamp;
    *error = "no directory times";
    return WalkStatus::kFailed;
  }
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
  // The next Read starts `offset` bytes from the start; the file's size.
  // False and -1 for a file that cannot say (a device, a pipe).
  virtual bool Seek(int64_t offset) {
    (void)offset;
    return false;
  }
  virtual int64_t Size() { return -1; }
  // What the device itself said about a failure (a print spooler's
  // message), or nothing.
  virtual std::string ErrorText() { return std::string(); }
};

// Held for the length of one rewrite; the system drops it when its holder
// ends, however it ends, so a killed run never leaves it behind.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// What an opening gives: the handle, or null and the I/O error number that
// says why.
template <typename Handle>
struct Opened {
  std::unique_ptr<Handle> handle;
  int error = kIoOk;
};

// A temporary file and the name it was given.
struct OpenedTemp : Opened<File> {
  std::string path;
};

enum class OpenMode { kRead, kCreate /* create or truncate */,
                      kCreateNew /* fails when it exists */ };

// The cd file a launcher runs: the Windows batch, a POSIX cd script, or
// the plain path and a NUL.
enum class CdFileFormat { kBatch, kPosixScript, kPosixPlain };

class System {
 public:
  virtual ~System() = default;

  virtual int DriveType(int driveNumber) = 0;  // 1..26
  // Enumeration of a directory ("D:" for a root, no trailing backslash);
  // nullptr when it cannot be enumerated.
  virtual std::unique_ptr<DirReader> OpenDirectory(const std::string& path) = 0;
  // A drive's root (or any directory) opened for a scan; mount points below
  // it are told by its device.  This default walks through OpenDirectory,
  // which must then be safe to call on several threads at once.
  virtual OpenedWalk OpenWalk(const std::string& path);
  // The stamp of a directory by its path, for systems walked through
  // OpenDirectory; false where there is none.
  virtual bool StatDirectory(const std::string& path, DirStamp* stamp) {
    (void)path;
    (void)stamp;
    return false;
  }
  // Threads a scan starts beside the one that runs it.  Some virtual
  // machines start a new thread on its maker's busy processor and leave an
  // idle one idle for milliseconds, a tenth of a rescan.  PlaceThread starts
  // `t` on the processor `turn` + 1 places after its maker's; FreeThread,
  // once it runs there, lets it go anywhere again.  Hints only.
  virtual void PlaceThread(std::thread& t, int turn) {
    (void)t;
    (void)turn;
  }
  virtual void FreeThread(std::thread& t) { (void)t; }
  // The file system's clock now, in the units of DirStamp times; 0 when
  // unknown.
  virtual int64_t StampClock() { return 0; }
  // The code page the program's names are in, where the file system's names
  // are wider (Windows: the ANSI code page); 0 where names are bytes.
  virtual unsigned NameCodePage() { return 0; }

  virtual Opened<File> OpenFile(const std::string& path, OpenMode mode) = 0;
  // Puts `from` in place of `to` in one step, durably; `durable` false
  // spares the waits for the disk, for a file that is checked before every
  // use and whose loss costs nothing but time.
  virtual int ReplaceFile(const std::string& from, const std::string& to,
                          bool durable = true) = 0;
  virtual int DeleteFile(const std::string& path) = 0;
  // Rewrites of `path` one at a time.  Waits at most `waitMs` for another
  // holder; no lock and kIoLocked when it kept the lock that long, or
  // another error when no lock could be taken.
  virtual Opened<FileLock> LockForRewrite(const std::string& path, int waitMs) = 0;
  // kIoOk when `path` may be replaced: it does not exist, or it is a file
  // that is not read-only.  A folder or a read-only file is kIoAccessDenied.
  virtual int CheckReplaceable(const std::string& path) = 0;
  // Differs whenever `path` has been replaced or written; empty when absent.
  virtual std::string FileVersion(const std::string& path) = 0;
  // A file of a fresh name beside `path` (`path`.<pid>-<n>.tmp), created
  // exclusively: never an existing file, never through a link.  It gets `path`'s permissions (and
  // owner, where allowed).
  virtual OpenedTemp CreateTempBeside(const std::string& path);
  // The cd file created anew for writing; never written through a link or
  // into a file that belongs to someone else.
  virtual Opened<File> CreateCdFile(const std::string& path) {
    return OpenFile(path, OpenMode::kCreate);
  }
  // Printer port 1..3 opened for writing.
  virtual Opened<File> OpenPrinter(int port) = 0;

  // Current directory, Windows-style, a root with its trailing backslash.
  virtual std::string CurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(const std::string& path) = 0;
  // Directory of the program file (or where its data lives), ending in the
  // path separator.
  virtual std::string ProgramDirectory() = 0;
  // Where the cd handoff file goes, and which of the cd files this
  // platform's launcher runs.
  virtual std::string CdFilePath(const std::string& programDirectory) = 0;
  virtual CdFileFormat CdFormat() = 0;
  // `directory` as the cd file must name it (the host path, or the text the
  // batch is read in); nothing when it has no such name.
  virtual std::optional<std::string> CdFileDirectory(const std::string& directory) = 0;

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
  // This process's number, and whether a process of that number runs now;
  // true whenever that cannot be told.
  virtual unsigned long ProcessId() = 0;
  virtual bool ProcessAlive(unsigned long pid) = 0;

  // Where the environment or the machine decides; the defaults are the
  // Windows behaviour.  What the platform alone decides is in host.h.
  // The launcher asked for shell exit statuses (0 moved, 1 nothing, 2 error)
  // and a cd file only when the directory changed.
  virtual bool ShellStatuses() { return false; }
  // `text` (a name of the program's) as the shell reading standard output
  // decodes it; nothing when it has no exact form there.
  virtual std::optional<std::string> ShellOutputText(const std::string& text) {
    return text;
  }
  // A set-up mistake that must stop the run before it starts, in words.
  virtual std::string SetupError() { return std::string(); }
  // The drive map as the user wrote it, for messages; empty without one.
  virtual std::string DriveMapText() { return std::string(); }
  // The host folder that drive 1..26 stands for, present or not; empty for
  // a letter the map lacks, and where drives are the system's own.
  virtual std::string DriveFolder(int /*driveNumber*/) { return std::string(); }
  // The process environment's value of `name`; empty when it is not set.
  virtual std::string EnvironmentValue(const std::string& name);
};

extern System* theSystem;
