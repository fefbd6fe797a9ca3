#include "cmdline_support.h"
#include "shell/shell.h"

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
  for (const char* arg : {"?", "/s?", "dir?", "c:*?", "-h", "--Help"}) {
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

// Which ends write the cd file, with which exit code, from the whole program.
TEST_F(Options, EachBranchEndsAsTheLauncherExpects) {
  SetUpDrives({"C:\\*", "C:\\WIN", "C:\\WIN1", "C:\\WINDOWS2"});
  const std::string cdFile = sys.programDir + "KS95CD.BAT";
  sys.AddDir("C:\\NEW");
  struct Case { const char* arg; const char* keys; int code; const char* cd; };
  const Case cases[] = {
      {"?", "", 0, nullptr},           {"/a", "", 0, nullptr},
      {"zzz", "", 0, nullptr},         {"windows2", "", 1, "C:\\WINDOWS2"},
      {"win", "\x1b", 0, "C:\\"},       {"win", "D\r", 1, "C:\\WIN1"},
  };
  for (const Case& c : cases) {
    sys.files.erase(cdFile);
    sys.cwd = c.arg == std::string("/a") ? "C:\\NEW" : "C:\\";
    Press(c.keys);
    EXPECT_EQ(ExitCodeOf([&] { KsMain({"=ks95", c.arg}); }), c.code) << c.arg;
    if (c.cd)
      EXPECT_EQ(sys.files[cdFile], "C:\r\ncd \"" + std::string(c.cd) + "\"\r\n") << c.arg;
    else
      EXPECT_EQ(sys.files.count(cdFile), 0u) << c.arg;
  }
  EXPECT_EQ(ScanFileLines()[1], "C:\\NEW");
}

}  // namespace
