// Helpers shared by the command-line mode tests.
#pragma once

#include <string>
#include <vector>

#include "cmdline/options.h"
#include "fixture.h"
#include "store/drive_table.h"

// Runs the command-line mode over the test console and file system.
class CmdlineTest : public KsTest {
 protected:
  // The exit code the mode ended the process with, or -1 when it returned
  // to the program shell.
  int Run(const std::string& argument) {
    prog.args = {"=ks95", argument};
    return ExitCodeOf([] { RunCommandLineMode(); });
  }

  // The scan file from `lines`; every drive named there is present and every
  // directory line exists on disk.
  void SetUpDrives(const std::vector<std::string>& lines) {
    for (const std::string& l : lines) {
      if (l.size() < 3 || l[0] < 'A' || l[0] > 'Z' || l.compare(1, 2, ":\\"))
        continue;
      sys.SetDrive(l[0]);
      Drive(l[0] - 64).present = true;
      if (l.size() > 3 && l[3] != '*') sys.AddDir(l);
    }
    WriteScanFile(lines);
  }

  // Keys by letter: U D p(gUp) n (PgDn) H E, Enter \r, Esc \x1b.
  void Press(const std::string& keys) {
    for (char k : keys) {
      switch (k) {
        case 'U': PressUp(); break;
        case 'D': PressDown(); break;
        case 'p': PressPgUp(); break;
        case 'n': PressPgDn(); break;
        case 'H': PressHome(); break;
        case 'E': PressEnd(); break;
        case '\r': PressEnter(); break;
        case '\x1b': PressEsc(); break;
      }
    }
  }

  void PressUp() { Extended(0x26, 0x48); }
  void PressDown() { Extended(0x28, 0x50); }
  void PressPgUp() { Extended(0x21, 0x49); }
  void PressPgDn() { Extended(0x22, 0x51); }
  void PressHome() { Extended(0x24, 0x47); }
  void PressEnd() { Extended(0x23, 0x4F); }
  void PressEnter() { Plain(0x0D, 0x1C, 13); }
  void PressEsc() { Plain(0x1B, 0x01, 27); }

  // The chooser's inner columns (7..72) of a screen row.
  std::string Inner(int row) const { return con.Text(7, row, 66); }

 private:
  void Extended(uint16_t vk, uint16_t scan) {
    InputRecord r = KeyEvent(vk, 0, kEnhancedKey);
    r.key.virtualScanCode = scan;
    con.Push(r);
  }
  void Plain(uint16_t vk, uint16_t scan, uint8_t ch) {
    InputRecord r = KeyEvent(vk, ch);
    r.key.virtualScanCode = scan;
    con.Push(r);
  }
};
