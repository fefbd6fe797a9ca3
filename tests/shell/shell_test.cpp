#include "shell/shell.h"

#include "fixture.h"

namespace {

using Startup = KsTest;

// Each build names its own launcher.
#ifdef _WIN32
const char kRefusal[] = "You must start Kestrin 95 with the KS.BAT file\r\n";
#else
const char kRefusal[] =
    "You must start Kestrin 95 with the ks shell command (see man ks95)\r\n";
#endif

TEST_F(Startup, WithoutTheExactMarkerNothingButTheMessageHappens) {
  const std::vector<std::vector<std::string>> starts = {
      {}, {"=KS95"}, {"ks95"}, {"=ks95 "}, {"\\"}, {"=Ks95", "\\"}};
  for (const auto& args : starts) {
    con.output.clear();
    sys.cwd = "C:\\";
    EXPECT_EQ(ExitCodeOf([&] { KsMain(args); }), 0);
    EXPECT_EQ(con.output, kRefusal);
    EXPECT_TRUE(sys.files.empty());
    EXPECT_EQ(con.readCalls, 0);  // the screen was not saved
    EXPECT_EQ(sys.cwd, "C:\\");
  }
}

TEST_F(Startup, StartUpStateIsSetBeforeTheModeRuns) {
  sys.programDir = "E:\\TOOLS\\KS\\";
  sys.AddDir("D:\\WORK");
  sys.cwd = "D:\\WORK";
  scanner.quietScan = true;
  scanner.scanAttributes = 63;
  prog.ExitCode = 1;
  EXPECT_EQ(ExitCodeOf([] { KsMain({"=ks95", "\\"}); }), 0);
  EXPECT_EQ(prog.programDirectory, "E:\\TOOLS\\KS\\");
  EXPECT_EQ(prog.scanFilePath, "E:\\TOOLS\\KS\\KS.DAT");
  EXPECT_EQ(prog.startupDirectory, "D:\\WORK");
  EXPECT_EQ(prog.ScreenRows, 25);
  EXPECT_FALSE(scanner.quietScan);
  EXPECT_EQ(scanner.scanAttributes, 16);
}

TEST_F(Startup, BackslashEndsAtTheDriveRootWithExitCodeZero) {
  sys.AddDir("D:\\WORK\\SRC");
  sys.cwd = "D:\\WORK\\SRC";
  EXPECT_EQ(ExitCodeOf([] { KsMain({"=ks95", "\\", "ignored"}); }), 0);
  EXPECT_EQ(sys.cwd, "D:\\");
  EXPECT_EQ(sys.files[sys.programDir + "KS95CD.BAT"], "D:\r\ncd \"D:\\\"\r\n");
  EXPECT_EQ(con.output, "");
}

TEST_F(Startup, BackslashOutsideEveryDriveFailsWithoutACdFile) {
  sys.cwd = "/home/u";  // a host directory no drive letter maps
  EXPECT_EQ(ExitCodeOf([] { KsMain({"=ks95", "\\"}); }), 1);
  EXPECT_EQ(con.output, "Runtime error: Path not found\r\n");
  EXPECT_EQ(sys.files.count(sys.programDir + "KS95CD.BAT"), 0u);
  EXPECT_EQ(sys.cwd, "/home/u");
}

// Start-up hands the build's facts to the layers below: a leading full stop
// marks a hidden name on POSIX and keeps it out of every Windows scan, and
// the jump's hint is typed back into the build's launcher.
TEST_F(Startup, ScanAndHintFollowTheBuild) {
  sys.SetDrive('C');
  sys.AddDir("C:\\.config", kAttrDirectory | kAttrHidden);
  sys.AddDir("C:\\WORK");
  EXPECT_EQ(ExitCodeOf([] { KsMain({"=ks95", "/s+C"}); }), 0);
  const std::string dat = sys.files[sys.programDir + "KS.DAT"];
  EXPECT_NE(dat.find("C:\\WORK\r\n"), std::string::npos) << dat;
  con.output.clear();
  EXPECT_EQ(ExitCodeOf([] { KsMain({"=ks95", "it's"}); }), 0);
#ifdef _WIN32
  EXPECT_EQ(dat.find(".config"), std::string::npos) << dat;
  EXPECT_EQ(con.output, "\"IT'S\" not found.  Try \"*IT'S\" instead.\r\n");
#else
  EXPECT_NE(dat.find("C:\\.config\r\n"), std::string::npos) << dat;
  EXPECT_EQ(con.output, "\"IT'S\" not found.  Try ks '*IT'\\''S' instead.\r\n");
#endif
}

}  // namespace

namespace {

using ProcessEnd = KsTest;

// A broken standard output must still end the program, not report its own
// failure over and over.
TEST_F(ProcessEnd, BrokenOutputEndsWithARunTimeError) {
  con.failOutput = true;
  EXPECT_EQ(ExitCodeOf([] { KsMain({}); }), 1);
  EXPECT_EQ(ExitCodeOf([] { FatalExit("gone"); }), 1);
}

}  // namespace
