#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/console_device.h"
#include "platform/system.h"

namespace {

// Clean-up registered from above; run once on every way out.
std::vector<void (*)()>& EndHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

}  // namespace

void AtProcessEnd(void (*hook)()) {
  for (auto h : EndHooks())
    if (h == hook) return;
  EndHooks().push_back(hook);
}

int ProcessStatus(int code, Outcome outcome) {
  if (!theSystem->ShellStatuses()) return code;
  switch (outcome) {
    case Outcome::kMoved:
    case Outcome::kDone: return 0;
    case Outcome::kNothing: return 1;
    case Outcome::kError: break;
  }
  return 2;
}

void EndProcess(int code, Outcome outcome) {
  for (auto hook : EndHooks()) hook();
  if (theConsole) theConsole->Shutdown();
  theSystem->ExitProcess(ProcessStatus(code, outcome));
  std::abort();  // ExitProcess never returns
}

void EndProcess(int code) {
  EndProcess(code, code == 1 ? Outcome::kMoved : Outcome::kNothing);
}

std::string IoErrorText(int error) {
  switch (error) {
    case kIoFileNotFound: return "File not found";
    case kIoPathNotFound: return "Path not found";
    case kIoAccessDenied: return "File access denied";
    case kIoReadBeyondEnd: return "Read beyond end of file";
    case kIoDiskFull: return "Disk full";
    default: return "I/O error " + std::to_string(error);
  }
}

void RunTimeError(int error) {
  // The terminal must be usable before the report is written, so that the
  // line stays readable on every platform.
  if (theConsole) {
    theConsole->Shutdown();
    // Not through WriteLine: a failing standard output would report itself
    // here again, without end.
    std::string line = "Runtime error: " + IoErrorText(error) + "\r\n";
    // With standard output gone (a closed pipe), the report goes to the
    // error stream instead of nowhere.
    if (!theConsole->WriteOutput(line.data(), static_cast<int>(line.size())))
      std::fputs(("Runtime error: " + IoErrorText(error) + "\n").c_str(), stderr);
  }
  EndProcess(1, Outcome::kError);
}
