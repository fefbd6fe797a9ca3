#include "fixture.h"

#include "browser/render.h"

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "scanner/scan.h"

void KsTest::SetUp() {
  theConsole = &con;
  theSystem = &sys;
  ResetProgramState();
  ResetConsoleLayer();
  ResetKeyboardState();
  ResetScreenState();
  prog.ScreenRows = 25;
  prog.programDirectory = sys.programDir;
  prog.scanFilePath = prog.programDirectory + "KS.DAT";
  prog.startupDirectory = sys.cwd;
  scanner.scanAttributes = 16;
  // Tests see the one-thread walk unless they ask for workers.
  SetScanThreads(1);
}

void KsTest::TearDown() {
  theConsole = nullptr;
  theSystem = nullptr;
}

int KsTest::ExitCodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessExit& e) {
    return e.code;
  }
  return -1;
}

void KsTest::WriteScanFile(const std::vector<std::string>& lines) {
  std::string& f = sys.files[ScanFilePath()];
  f.clear();
  for (const std::string& l : lines) f += l + "\r\n";
}

std::vector<std::string> KsTest::ScanFileLines() {
  std::vector<std::string> out;
  const std::string& f = sys.files[ScanFilePath()];
  size_t pos = 0;
  while (pos < f.size()) {
    size_t end = f.find("\r\n", pos);
    if (end == std::string::npos) {
      out.push_back(f.substr(pos) + "<no line end>");
      break;
    }
    out.push_back(f.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

PathList MakePathList(const std::vector<std::string>& withPlaceholder) {
  PathList list;
  for (size_t i = 1; i < withPlaceholder.size(); ++i) list.Append(withPlaceholder[i]);
  return list;
}

std::vector<std::string> PathsOf(const PathList& paths) {
  std::vector<std::string> out;
  for (size_t i = 0; i < paths.size(); ++i) out.emplace_back(paths[i]);
  return out;
}

std::vector<std::string> PrefixesOf(int driveNumber) {
  std::vector<std::string> out;
  BuildPrefixRange(driveNumber, 1, Drive(driveNumber).entryCount, &out);
  out.insert(out.begin(), std::string());
  return out;
}
