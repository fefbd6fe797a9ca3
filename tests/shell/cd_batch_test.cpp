#include "shell/cd_batch.h"

#include "fixture.h"
#include "shell/shell.h"

namespace {

using CdBatch = KsTest;

std::string BatchAt(TestSystem& sys) {
  auto it = sys.files.find(sys.programDir + "KS95CD.BAT");
  return it == sys.files.end() ? "<none>" : it->second;
}

TEST_F(CdBatch, TwoLinesBesideTheProgramWhateverTheCurrentDirectory) {
  sys.AddDir("D:\\WORK\\SRC");
  sys.cwd = "D:\\WORK\\SRC";
  Drive(4).paths = MakePathList({"", "D:\\", "D:\\WORK"});
  Drive(4).depths = {0, 1, 1};
  scanner.scanList = {"", "D:\\"};
  EXPECT_EQ(ExitCodeOf(WriteCdBatch), -1);
  EXPECT_EQ(BatchAt(sys), "D:\r\ncd \"D:\\WORK\\SRC\"\r\n");
  EXPECT_EQ(sys.files.count("D:\\WORK\\SRC\\KS95CD.BAT"), 0u);
  EXPECT_EQ(Drive(4).paths.size(), 0u);
  EXPECT_TRUE(Drive(4).depths.empty());
  EXPECT_TRUE(scanner.scanList.empty());

  // A later run truncates the file.
  sys.cwd = "C:\\";
  EXPECT_EQ(ExitCodeOf(WriteCdBatch), -1);
  EXPECT_EQ(BatchAt(sys), "C:\r\ncd \"C:\\\"\r\n");
}

TEST_F(CdBatch, BlanksStayAndPercentSignsAreDoubled) {
  EXPECT_EQ(CdBatchText("D:\\APPS OLD"), "D:\r\ncd \"D:\\APPS OLD\"\r\n");
  // Without the doubling cmd.exe would expand "%PATH%" inside the quotes.
  EXPECT_EQ(CdBatchText("D:\\100% done\\%PATH%"),
            "D:\r\ncd \"D:\\100%% done\\%%PATH%%\"\r\n");
}

TEST_F(CdBatch, NoPathThatCouldEndTheQuotesIsWritten) {
  // Fullwidth forms folded to ASCII by a best-fit conversion would arrive
  // as these; none of them is in a real Windows name.
  for (const char* bad : {"D:\\q\"&echo PWNED&\"", "D:\\a<b", "D:\\a>b", "D:\\a|b",
                          "D:\\a?b", "D:\\a*b", "D:\\a/b", "D:\\a:b", "D:\\a\rb",
                          "D:\\a\nb", "D:\\a\tb", "D:\\a\x1F" "b", ""}) {
    EXPECT_FALSE(CdBatchCanHold(bad)) << bad;
    EXPECT_EQ(CdBatchText(bad), "") << bad;
  }
  for (const char* good : {"D:\\", "D:\\a&b^c!d", "D:\\Caf\x82", "D:\\Caf\xE9",
                           "D:\\Q_&E~010", "D:\\x%y"})
    EXPECT_TRUE(CdBatchCanHold(good)) << good;
}

TEST_F(CdBatch, AnUnwritableDirectoryHandsNothingOverAndEndsWithZero) {
  for (const char* cwd : {"D:\\q\"&echo PWNED&\"", ""}) {
    sys.cwd = cwd;
    prog.ExitCode = 1;
    con.output.clear();
    EXPECT_EQ(ExitCodeOf(WriteCdBatch), -1);
    EXPECT_EQ(BatchAt(sys), "") << cwd;
    EXPECT_EQ(prog.ExitCode, 0) << cwd;
    EXPECT_NE(con.output.find("Cannot hand this directory over to the shell"),
              std::string::npos);
  }
}

TEST_F(CdBatch, UnwritableProgramDirectoryIsARunTimeError) {
  sys.failOpen.insert(sys.programDir + "KS95CD.BAT");
  EXPECT_EQ(ExitCodeOf(WriteCdBatch), 1);
  EXPECT_EQ(con.output, "Runtime error: File access denied\r\n");
  EXPECT_EQ(BatchAt(sys), "<none>");
}

TEST_F(CdBatch, DiskFullWhileWritingIsARunTimeError) {
  sys.writeBudget = 5;
  EXPECT_EQ(ExitCodeOf(WriteCdBatch), 1);
  EXPECT_EQ(con.output, "Runtime error: Disk full\r\n");
}

TEST_F(CdBatch, FatalExitLeavesTheEarlierBatchAlone) {
  sys.AddDir("D:\\FIRST");
  sys.cwd = "D:\\FIRST";
  ASSERT_EQ(ExitCodeOf(WriteCdBatch), -1);
  const std::string first = BatchAt(sys);

  sys.cwd = "C:\\";
  EXPECT_EQ(ExitCodeOf([] { FatalExit("Something broke"); }), 0);
  EXPECT_EQ(BatchAt(sys), first);
  EXPECT_EQ(con.output, "Something broke\r\n");
  EXPECT_TRUE(con.cursorInfo.visible);
  EXPECT_EQ(con.attribute & 0xFF, 0x07);
}

TEST(CdScript, QuotesEveryByteLiterally) {
  EXPECT_EQ(CdScriptText("/srv/plain"), "cd -- '/srv/plain'\n");
  EXPECT_EQ(CdScriptText("/srv/it's"), "cd -- '/srv/it'\\''s'\n");
}

}  // namespace
