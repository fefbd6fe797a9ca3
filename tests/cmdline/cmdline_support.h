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

  // Keys by letter: U(p) D(own) p(gUp) n (PgDn) H(ome) E(nd), \r, \x1b.
  void Press(const std::string& keys) {
    static const std::string kLetters = "UDpnHE\r\x1b";
    static const uint16_t kVk[] = {0x26, 0x28, 0x21, 0x22, 0x24, 0x23, 0x0D, 0x1B};
    static const uint16_t kScan[] = {0x48, 0x50, 0x49, 0x51, 0x47, 0x4F, 0x1C, 0x01};
    for (char k : keys) {
      size_t i = kLetters.find(k);
      bool plain = i >= 6;
      InputRecord r = KeyEvent(kVk[i], plain ? static_cast<uint8_t>(k) : 0,
                               plain ? 0u : static_cast<uint32_t>(kEnhancedKey));
      r.key.virtualScanCode = kScan[i];
      con.Push(r);
    }
  }

  // The chooser's inner columns (7..72) of a screen row.
  std::string Inner(int row) const { return con.Text(7, row, 66); }
};
