#include "cmdline_support.h"

namespace {

using Options = CmdlineTest;

const char kOptionList[] =
    "Kestrin 95 command line options\r\n"
    "\r\n"
    "KS              ; No parameters: start KS in Tree Mode\r\n"
    "KS dir_name     ; Jump to directory that starts with dir_name\r\n"
    "                ; Pick from list on multiple matches\r\n"
    "KS d:dir_name   ; Restricts search to specified drive only\r\n"
    "KS *dir_name    ; Jump to directory where dir_name appears\r\n"
    "                ; anywhere in directory name\r\n"
    "KS d:*dir_name  ; Restricts search to specified drive only\r\n"
    "KS /a           ; Add current directory to scan file\r\n"
    "KS /sD          ; Update scan file with D drive list\r\n"
    "                ; e.g. KS /sCGK will scan drives C, G, and K\r\n"
    "KS /s+D         ; Same as above but will include hidden dirs\r\n"
    "                ; e.g. KS /s+CGK\r\n";

TEST_F(Options, QuestionMarkWinsOverEverythingButBackslash) {
  for (const char* arg : {"?", "/s?", "dir?", "c:*?"}) {
    con.output.clear();
    con.cursorInfo.visible = false;
    EXPECT_EQ(Run(arg), 0) << arg;
    EXPECT_EQ(con.output, kOptionList) << arg;
    EXPECT_TRUE(con.cursorInfo.visible);
  }
  EXPECT_EQ(con.writeCalls, 0);
}

TEST_F(Options, BackslashAloneChangesToTheRootAndReturns) {
  sys.AddDir("C:\\WORK");
  sys.cwd = "C:\\WORK";
  EXPECT_EQ(Run("\\"), -1);
  EXPECT_EQ(sys.cwd, "C:\\");
  EXPECT_EQ(prog.ExitCode, 0);
  // With a drive it is a pattern like any other.
  SetUpDrives({"C:\\*", "C:\\WORK"});
  EXPECT_EQ(Run("c:\\"), 0);
  EXPECT_EQ(con.output, "\"\\\" not found.  Try \"*\\\" instead.\r\n");
}

TEST_F(Options, ScanOptionHandsDrivesAndFilterToTheScanner) {
  struct Case { const char* arg; const char* drives; int attributes; };
  const Case cases[] = {{"/sc", "C", 16}, {"/SC", "C", 16},
                        {"/s+cgk", "CGK", 63},
                        {"/sabcdefghijklmnopqrstuvwxyz12", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arg), 0);
    EXPECT_EQ(scanner.drivesToScan, c.drives);
    EXPECT_EQ(scanner.scanAttributes, c.attributes);
    EXPECT_TRUE(scanner.quietScan);
  }
  con.output.clear();
  EXPECT_EQ(Run("/s"), 0);
  EXPECT_EQ(Run("/s+"), 0);
  EXPECT_EQ(con.output, "Error: No drives specified\r\nError: No drives specified\r\n");
}

TEST_F(Options, ScanFileMustOpenBeforeAJumpOrAnAddition) {
  for (const char* arg : {"/a", "win"}) {
    con.output.clear();
    EXPECT_EQ(Run(arg), 0);
    EXPECT_EQ(con.output,
              "Error opening C:\\KS\\KS.DAT, you may need to rescan drives.\r\n");
  }
  // Only the first argument counts; an unknown option is just a pattern.
  SetUpDrives({"C:\\*", "C:\\WIN"});
  prog.args = {"=ks95", "win", "/x"};
  EXPECT_EQ(ExitCodeOf([] { RunCommandLineMode(); }), -1);
  EXPECT_EQ(sys.cwd, "C:\\WIN");
  con.output.clear();
  EXPECT_EQ(Run("/x"), 0);
  EXPECT_EQ(con.output, "\"/X\" not found.  Try \"*/X\" instead.\r\n");
}

}  // namespace
