// Test fixture: a fresh program state over the in-memory console and system.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "store/drive_table.h"
#include "test_console.h"
#include "test_system.h"

// A drive's path list from its entries, the first being the placeholder "".
PathList MakePathList(const std::vector<std::string>& withPlaceholder);
std::vector<std::string> PathsOf(const PathList& paths);
// The tree prefixes of a loaded drive, indices 0..entryCount.
std::vector<std::string> PrefixesOf(int driveNumber);

class KsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `body`; the exit code it ended the process with, or -1 when it
  // returned normally.
  int ExitCodeOf(const std::function<void()>& body);

  // A scan file from lines (each gets CR LF).
  void WriteScanFile(const std::vector<std::string>& lines);
  std::vector<std::string> ScanFileLines();
  std::string ScanFilePath() const { return prog.programDirectory + "KS.DAT"; }
  // Temporary files of rewrites that are still beside the scan file.
  int TempFiles() const {
    int n = 0;
    for (const auto& f : sys.files)
      if (f.first.rfind(ScanFilePath() + ".", 0) == 0 && f.first.size() > 4 &&
          f.first.compare(f.first.size() - 4, 4, ".tmp") == 0)
        ++n;
    return n;
  }

  TestConsole con;
  TestSystem sys;
};
