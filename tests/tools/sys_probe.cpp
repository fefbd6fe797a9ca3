// Test tool (not shipped): drives the real system backend for the end-to-end
// scripts.
//   sys_probe cdbatch DIR   change to DIR, write the cd file, exit 0
//   sys_probe files DIR     file operations in the empty folder DIR; one
//                           "FAIL" line per broken rule, then "files ok"
//   sys_probe list DIR      "name attributes(hex)" per entry
//   sys_probe cwd           the current directory
//   sys_probe drives        letters of the present drives
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "shell/cd_batch.h"
#include "platform/process.h"
#include "store/drive_table.h"
#include "platform/platform.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
  if (!ok) {
    printf("FAIL %s\n", what.c_str());
    ++failures;
  }
}

std::string Slurp(const std::string& path, int* error) {
  Opened<File> opened = theSystem->OpenFile(path, OpenMode::kRead);
  std::unique_ptr<File> f = std::move(opened.handle);
  *error = opened.error;
  if (!f) return "<" + std::to_string(*error) + ">";
  std::string out;
  char buffer[256];
  int n;
  while ((n = f->Read(buffer, sizeof buffer)) > 0) out.append(buffer, n);
  if (n < 0) *error = -n;
  f->Close();
  return out;
}

bool Put(const std::string& path, OpenMode mode, const std::string& text,
         int* error) {
  Opened<File> opened = theSystem->OpenFile(path, mode);
  std::unique_ptr<File> f = std::move(opened.handle);
  *error = opened.error;
  if (!f) return false;
  *error = f->Write(text.data(), static_cast<int>(text.size()));
  if (*error == 0) *error = f->Sync();
  int closed = f->Close();
  if (*error == 0) *error = closed;
  return *error == 0 && f->Close() != 0;  // a second close is an error
}

// No file of that name: reading it finds nothing (a folder is no file).
bool Missing(const std::string& path) {
  Opened<File> opened = theSystem->OpenFile(path, OpenMode::kRead);
  return !opened.handle && opened.error != kIoOk;
}

void Files(const std::string& dir) {
  const std::string a = dir + "\\a.txt", b = dir + "\\b.txt",
                    c = dir + "\\c.txt";
  int e = -1;
  Expect(Put(a, OpenMode::kCreateNew, "alpha", &e), "create new: " + std::to_string(e));
  Expect(!Put(a, OpenMode::kCreateNew, "x", &e) && e == kIoFileExists,
         "create new over a file: " + std::to_string(e));
  Expect(Slurp(a, &e) == "alpha", "read back");
  Expect(Put(a, OpenMode::kCreate, "alp", &e), "truncate");
  Expect(Slurp(a, &e) == "alp", "truncated content");
  Slurp(dir + "\\missing.txt", &e);
  Expect(e == kIoFileNotFound, "missing file: " + std::to_string(e));
  Slurp(dir + "\\nodir\\x.txt", &e);
  Expect(e == kIoPathNotFound, "missing folder: " + std::to_string(e));
  Expect(Missing(dir), "a folder opens as a file");

  Expect(Put(b, OpenMode::kCreate, "beta", &e), "create b");
  Expect(!Put(b, OpenMode::kCreateNew, "x", &e) && Slurp(b, &e) == "beta",
         "failed create changed a file");
  Expect(theSystem->ReplaceFile(a, c) == 0, "replace onto a new name");
  Expect(Missing(a) && Slurp(c, &e) == "alp", "moved to a new name");
  Expect(theSystem->ReplaceFile(c, b) == 0, "replace");
  Expect(Missing(c) && Slurp(b, &e) == "alp", "replaced");
  Expect(theSystem->DeleteFile(b) == 0, "delete");
  Expect(theSystem->DeleteFile(b) == kIoFileNotFound, "delete missing");
  Expect(Missing(b), "file exists after delete");
  Expect(theSystem->ProcessAlive(theSystem->ProcessId()), "this process counts as gone");
  // A number beyond every system's range of process numbers.
  Expect(!theSystem->ProcessAlive(2147483000UL), "a process that never ran counts as alive");
  printf(failures ? "files FAILED\n" : "files ok\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<System> system = CreatePlatformSystem(argv[0]);
  theSystem = system.get();
  std::string command = argc > 1 ? argv[1] : "";
  std::string arg = argc > 2 ? argv[2] : "";

  if (command == "cdbatch") {
    std::unique_ptr<ConsoleDevice> console = CreatePlatformConsole();
    theConsole = console.get();
    if (!theSystem->SetCurrentDirectory(arg)) return 2;
    prog.programDirectory = theSystem->ProgramDirectory();
    WriteCdBatch();
    EndProcess(0);
  } else if (command == "files") {
    Files(arg);
  } else if (command == "list") {
    std::unique_ptr<DirReader> r = theSystem->OpenDirectory(arg);
    if (!r) return 2;
    DirEntry entry;
    while (r->Next(&entry))
      printf("%s %x\n", entry.name.c_str(), static_cast<unsigned>(entry.attributes));
  } else if (command == "cwd") {
    printf("%s\n", theSystem->CurrentDirectory().c_str());
  } else if (command == "drives") {
    for (int d = 1; d <= 26; ++d)
      if (theSystem->DriveType(d) >= kDriveRemovable) putchar('A' + d - 1);
    putchar('\n');
  } else {
    fprintf(stderr, "usage: sys_probe cdbatch|files|list|cwd|drives [DIR]\n");
    return 2;
  }
  fflush(stdout);
  return failures ? 1 : 0;
}
