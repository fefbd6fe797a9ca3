// In-memory system: drives, a directory tree, files, clock, ports and a
// process end that throws instead of ending the test.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"

// Thrown by ExitProcess.
struct ProcessExit {
  int code;
};

class TestSystem : public System {
 public:
  TestSystem();

  // Drives and directories.  Paths are Windows-style; a drive's root is
  // "D:\" (listing key "D:").
  void SetDrive(char letter, int type = kDriveFixed);
  // Adds a directory and any missing parents, with the given attributes.
  void AddDir(const std::string& path, uint32_t attributes = kAttrDirectory);
  void AddFileEntry(const std::string& path, uint32_t attributes = kAttrArchive);
  void RemoveDir(const std::string& path);
  bool DirExists(const std::string& path) const;

  int DriveType(int driveNumber) override;
  std::unique_ptr<DirReader> OpenDirectory(const std::string& path) override;
  OpenedWalk OpenWalk(const std::string& path) override;
  unsigned NameCodePage() override { return nameCodePage; }
  Opened<File> OpenFile(const std::string& path, OpenMode mode) override;
  int ReplaceFile(const std::string& from, const std::string& to,
                  bool durable = true) override;
  int DeleteFile(const std::string& path) override;
  Opened<File> OpenPrinter(int port) override;
  Opened<FileLock> LockForRewrite(const std::string& path, int waitMs) override;
  // For assertions: a file of that name is stored.
  bool FileExists(const std::string& path) const { return files.count(path) > 0; }
  int CheckReplaceable(const std::string& path) override;
  std::string FileVersion(const std::string& path) override;
  std::string CurrentDirectory() override { return cwd; }
  bool SetCurrentDirectory(const std::string& path) override;
  std::string ProgramDirectory() override { return programDir; }
  std::string CdFilePath(const std::string& programDirectory) override;
  CdFileFormat CdFormat() override;
  std::optional<std::string> CdFileDirectory(const std::string& directory) override;
  std::string ScanStampNow() override { return stamp; }
  char DecimalSeparator() override { return decimal; }
  bool IsNtPlatform() override { return nt; }
  uint8_t PortIn(uint16_t port) override;
  void PortOut(uint16_t port, uint8_t value) override;
  void MessageBeep() override { ++messageBeeps; }
  void Sleep(int milliseconds) override { sleptMs += milliseconds; }
  [[noreturn]] void ExitProcess(int code) override;
  unsigned long ProcessId() override { return pid; }
  bool ProcessAlive(unsigned long p) override { return p == pid || runningPids.count(p) > 0; }
  bool ShellStatuses() override { return shellStatuses; }
  std::string SetupError() override { return setupError; }
  std::string DriveMapText() override { return driveMapText; }
  std::string DriveFolder(int driveNumber) override { return driveFolders[driveNumber]; }
  std::string EnvironmentValue(const std::string& name) override {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
  }

  int driveTypes[27] = {};
  // Directory listings by path ("D:" for a root), in enumeration order;
  // the stored files of a folder follow its listed entries.
  std::map<std::string, std::vector<DirEntry>> dirs;
  std::set<std::string> unreadable;  // listed but cannot be enumerated
  // Directories whose opening fails for a reason that is neither "denied"
  // nor "gone", with the system's words for it.
  std::map<std::string, std::string> walkFailures;
  unsigned nameCodePage = 0;
  std::map<std::string, std::string> files;
  std::set<std::string> failOpen;    // paths whose opening fails (access)
  long writeBudget = -1;             // bytes writable before "disk full"
  bool failReplace = false;
  std::set<int> missingPrinters;
  std::set<std::string> readOnly;    // files (or folders) not replaceable
  bool lockHeld = false;             // a rewrite lock is taken
  bool lockedElsewhere = false;      // another process keeps the lock
  int lastLockWaitMs = -1;           // the wait the last lock asked for
  std::map<std::string, std::string> environment;
  std::string cwd = "C:\\";
  std::string programDir = "C:\\KS\\";
  std::string stamp = "07.12.2026 10:15:00";
  char decimal = '.';
  bool nt = true;
  bool shellStatuses = false;
  std::string setupError;
  std::string driveMapText;
  std::string driveFolders[27];  // the map's folders, mapped drives only
  uint8_t port61 = 0;
  std::vector<std::string> portLog;  // "out 43 b6", "in 61"
  int messageBeeps = 0;
  long sleptMs = 0;
  int dirOpens = 0;
  // Held by OpenDirectory, which a parallel scan calls from its workers;
  // tests that change the tree during a scan hold it too.
  std::recursive_mutex dirMutex;
  int exits = 0;
  unsigned long pid = 4242;
  std::set<unsigned long> runningPids;  // other processes that run
};
