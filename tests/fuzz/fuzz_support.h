// Shared set-up of the fuzz targets: a fresh program over the in-memory
// console and system, with a few drives present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "crt32/console.h"
#include "crt32/keyboard.h"
#include "crt32/screen.h"
#include "store/drive_table.h"
#include "test_console.h"
#include "test_system.h"

struct FuzzWorld {
  TestConsole con;
  TestSystem sys;

  explicit FuzzWorld(const std::string& scanFile, int columns = 80,
                     int rows = 25) : con(columns, rows) {
    theConsole = &con;
    theSystem = &sys;
    ResetProgramState();
    // A limit that inputs of a few kilobytes can pass, so that the readers'
    // handling of a drive past it is explored too.
    MaxDirsPerDrive = 100;
    ResetConsoleLayer();
    ResetKeyboardState();
    ResetScreenState();
    sys.SetDrive('C');
    sys.SetDrive('D');
    sys.SetDrive('Z', kDriveRemote);
    sys.AddDir("C:\\KS");
    sys.AddDir("C:\\APPS\\EDIT");
    sys.AddDir("D:\\DATA");
    sys.cwd = "C:\\APPS";
    prog.programDirectory = sys.programDir;
    prog.scanFilePath = prog.programDirectory + "KS.DAT";
    prog.startupDirectory = sys.cwd;
    prog.ScreenRows = 25;
    scanner.scanAttributes = 16;
    sys.files[prog.scanFilePath] = scanFile;
    for (int d = 1; d <= 26; ++d) Drive(d).present = sys.DriveType(d) > 1;
  }
  ~FuzzWorld() {
    theConsole = nullptr;
    theSystem = nullptr;
  }
};

// Checks a drive table the way every reader must leave it.
inline void CheckDriveTable() {
  for (int d = 1; d <= 26; ++d) {
    const DriveTree& t = Drive(d);
    if (t.entryCount < 0 || t.entryCount > MaxDirsPerDrive) abort();
    if (t.entryCount == 0) continue;
    if (static_cast<int>(t.paths.size()) != t.entryCount + 1) abort();
  }
}

// Runs `body` until the program ends or asks for more keys than scripted.
template <typename F>
void RunGuarded(F body) {
  try {
    body();
  } catch (const ProcessExit&) {
  } catch (const OutOfInput&) {
  }
}
