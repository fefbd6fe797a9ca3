#include "fixture.h"
#include "shell/shell.h"

namespace {

// A launcher that asked for shell statuses: 0 moved, 1 nothing, 2 error.
class ShellStatus : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    sys.shellStatuses = true;
    sys.SetDrive('C');
    sys.AddDir("C:\\WORK");
    sys.AddDir("C:\\TAX");
    sys.files[sys.programDir + "KS.DAT"] =
        "C:\\*07.12.2026\r\nC:\\TAX\r\nC:\\WORK\r\n";
  }
  int Main(const std::vector<std::string>& args, const std::string& cwd) {
    sys.cwd = cwd;
    con.output.clear();
    sys.files.erase(CdFile());
    return ExitCodeOf([&] { KsMain(args); });
  }
  std::string CdFile() const { return sys.programDir + "KS95CD.BAT"; }
  std::string CdText() {
    auto it = sys.files.find(CdFile());
    return it == sys.files.end() ? "<none>" : it->second;
  }
};

TEST_F(ShellStatus, EveryWayOutTellsMovedNothingOrError) {
  EXPECT_EQ(Main({"=ks95", "tax"}, "C:\\WORK"), 0);
  EXPECT_EQ(CdText(), "C:\r\ncd \"C:\\TAX\"\r\n");

  // Nothing new: the cd file stays empty so that `cd -` keeps its target.
  EXPECT_EQ(Main({"=ks95", "work"}, "C:\\WORK"), 0);
  EXPECT_EQ(CdText(), "");
  EXPECT_EQ(Main({"=ks95", "\\"}, "C:\\"), 0);
  EXPECT_EQ(CdText(), "");
  con.PushKey(0x1B, 27);
  EXPECT_EQ(Main({"=ks95"}, "C:\\WORK"), 1);
  EXPECT_EQ(CdText(), "");

  EXPECT_EQ(Main({"=ks95", "nosuch"}, "C:\\WORK"), 1);
  EXPECT_EQ(Main({"=ks95", "/a"}, "C:\\WORK"), 1);  // already listed
  EXPECT_EQ(Main({"=ks95", "/s"}, "C:\\WORK"), 2);
  EXPECT_EQ(Main({"=ks95", "-h"}, "C:\\WORK"), 0);

  // A scan whose file could not be written is no success.
  sys.readOnly.insert(sys.programDir + "KS.DAT");
  EXPECT_EQ(Main({"=ks95", "/sC"}, "C:\\WORK"), 2);
  sys.readOnly.clear();

  sys.files.erase(sys.programDir + "KS.DAT");
  EXPECT_EQ(Main({"=ks95", "tax"}, "C:\\WORK"), 2);
  EXPECT_EQ(CdText(), "<none>");
}

TEST_F(ShellStatus, WithoutTheRequestTheWindowsCodesStay) {
  sys.shellStatuses = false;
  EXPECT_EQ(Main({"=ks95", "tax"}, "C:\\WORK"), 1);
  con.PushKey(0x1B, 27);
  EXPECT_EQ(Main({"=ks95"}, "C:\\WORK"), 0);
  EXPECT_EQ(CdText(), "C:\r\ncd \"C:\\WORK\"\r\n");
  EXPECT_EQ(Main({"=ks95", "nosuch"}, "C:\\WORK"), 0);
}

TEST_F(ShellStatus, SetUpMistakeEndsBeforeAnythingWithStatusTwo) {
  sys.setupError = "KS95_DRIVES entry \"C:/x\" is not LETTER=DIRECTORY";
  for (bool shell : {true, false}) {
    sys.shellStatuses = shell;
    EXPECT_EQ(Main({"=ks95", "tax"}, "C:\\WORK"), 2);
    EXPECT_EQ(con.output, sys.setupError + "\r\n");
    EXPECT_EQ(CdText(), "<none>");
    EXPECT_EQ(sys.cwd, "C:\\WORK");
  }
}

#ifndef _WIN32
// The POSIX build's words; the Windows build's are checked in shell_test.cpp.
TEST_F(ShellStatus, PosixWordsNameTheShellCommandAndQuoteTheHint) {
  sys.shellStatuses = false;  // run by hand, not by the launcher
  EXPECT_EQ(Main({}, "C:\\WORK"), 0);
  EXPECT_EQ(con.output,
            "You must start Kestrin 95 with the ks shell command (see man ks95)\r\n");
  // The hint must survive being typed into any shell, a quote included.
  Main({"=ks95", "it's"}, "C:\\WORK");
  EXPECT_NE(con.output.find("Try ks '*IT'\\''S' instead."), std::string::npos)
      << con.output;
}
#endif

TEST_F(ShellStatus, UnmappedDrivesAndFoldersOffTheMapAreNamed) {
  sys.driveMapText = "KS95_DRIVES=\"C=/home/me\"";
  EXPECT_EQ(Main({"=ks95", "/sCXx"}, "C:\\WORK"), 2);
  EXPECT_NE(con.output.find("Drive X: is not mapped in KS95_DRIVES=\"C=/home/me\"\r\n"),
            std::string::npos);
  EXPECT_EQ(con.output.find("Drive X:", con.output.find("Drive X:") + 1),
            std::string::npos);  // said once
  EXPECT_EQ(Main({"=ks95", "/a"}, "/opt/x"), 2);
  EXPECT_EQ(con.output,
            "/opt/x is on no drive of the drive map KS95_DRIVES=\"C=/home/me\".\r\n");
}

// E is mapped but its folder is missing: an unmounted stick, not a mistake.
TEST_F(ShellStatus, AbsentDriveIsSaidAndKeptNotAnError) {
  sys.driveMapText = "KS95_DRIVES=\"C=/home/me;E=/media/usb\"";
  sys.driveFolders[3] = "/home/me";
  sys.driveFolders[5] = "/media/usb";
  const std::string dat =
      sys.files[sys.programDir + "KS.DAT"] + "E:\\*01.01.2026\r\nE:\\PHOTOS\r\n";
  sys.files[sys.programDir + "KS.DAT"] = dat;
  EXPECT_EQ(Main({"=ks95", "/sE"}, "C:\\WORK"), 1);
  EXPECT_NE(con.output.find("Drive E: is not present (no folder /media/usb) and was not "
                            "scanned\r\n"),
            std::string::npos)
      << con.output;
  EXPECT_EQ(sys.files[sys.programDir + "KS.DAT"], dat);
  // With C scanned beside it the request was done; E's lines stay.
  EXPECT_EQ(Main({"=ks95", "/sEC"}, "C:\\WORK"), 0);
  EXPECT_NE(sys.files[sys.programDir + "KS.DAT"].find("E:\\PHOTOS\r\n"), std::string::npos);
  EXPECT_EQ(Main({"=ks95", "/sEZ"}, "C:\\WORK"), 2);  // Z is a typing mistake
}

}  // namespace
