#include "scanner/rewrite.h"

#include "fixture.h"

namespace {

class ScanFileRewriteTest : public KsTest {
 protected:
  void WriteAll(const std::vector<std::string>& lines) {
    ScanFileRewrite rw;
    ASSERT_EQ(BeginScanFileRewrite(&rw), RewriteStart::kReady);
    for (const std::string& l : lines) WriteScanLine(&rw, l);
    ASSERT_TRUE(CommitScanFileRewrite(&rw));
  }
};

TEST_F(ScanFileRewriteTest, NewContentsReplaceTheFileAndNoTemporaryStays) {
  WriteScanFile({"C:\\*old", "C:\\OLD"});
  WriteAll({"C:\\*new", "C:\\NEW", "D:\\*x"});
  EXPECT_EQ(ScanFileLines(), (std::vector<std::string>{"C:\\*new", "C:\\NEW", "D:\\*x"}));
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_FALSE(sys.lockHeld);

  // Also when there was no scan file yet, and when nothing is written.
  sys.files.erase(ScanFilePath());
  WriteAll({"E:\\*"});
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{"E:\\*"});
  WriteAll({});
  EXPECT_TRUE(sys.FileExists(ScanFilePath()));
  EXPECT_EQ(sys.files[ScanFilePath()], "");
}

TEST_F(ScanFileRewriteTest, DiskFullMidWayEndsTheRunAndKeepsTheOldFile) {
  WriteScanFile({"C:\\*old", "C:\\OLD"});
  const std::string old = sys.files[ScanFilePath()];
  sys.writeBudget = 1000;
  int code = ExitCodeOf([&] {
    ScanFileRewrite rw;
    ASSERT_EQ(BeginScanFileRewrite(&rw), RewriteStart::kReady);
    for (int i = 0; i < 20000; ++i) WriteScanLine(&rw, "C:\\DIR" + std::to_string(i));
    CommitScanFileRewrite(&rw);
  });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_NE(con.output.find("Disk full"), std::string::npos);
  // The end of the process takes the half-written temporary with it.
  EXPECT_EQ(TempFiles(), 0);

  sys.writeBudget = -1;
  WriteAll({"C:\\*again"});
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{"C:\\*again"});
}

TEST_F(ScanFileRewriteTest, ARefusedStartHoldsNothingAndAFailedReplaceKeepsTheOldFile) {
  WriteScanFile({"C:\\*old"});
  const std::string old = sys.files[ScanFilePath()];

  sys.readOnly.insert(ScanFilePath());
  ScanFileRewrite rw;
  EXPECT_EQ(BeginScanFileRewrite(&rw), RewriteStart::kCannotReplace);
  EXPECT_FALSE(sys.lockHeld);
  sys.readOnly.clear();

  sys.lockedElsewhere = true;
  EXPECT_EQ(BeginScanFileRewrite(&rw), RewriteStart::kBusy);
  EXPECT_EQ(TempFiles(), 0);
  sys.lockedElsewhere = false;

  // While one rewrite runs, a second cannot start.
  ScanFileRewrite rw2;
  ASSERT_EQ(BeginScanFileRewrite(&rw2), RewriteStart::kReady);
  ScanFileRewrite rw3;
  EXPECT_EQ(BeginScanFileRewrite(&rw3), RewriteStart::kBusy);

  sys.failReplace = true;
  WriteScanLine(&rw2, "C:\\*new");
  EXPECT_FALSE(CommitScanFileRewrite(&rw2));
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_EQ(TempFiles(), 0);
  EXPECT_FALSE(sys.lockHeld);
}

TEST_F(ScanFileRewriteTest, LeftoversOfDeadRunsGoAndThoseOfRunningOnesStay) {
  WriteScanFile({"C:\\*old"});
  sys.runningPids = {8};
  const std::string base = ScanFilePath() + ".";
  const std::vector<std::string> dead = {base + "7-1.tmp", base + "9-12345-2.tmp"};
  const std::vector<std::string> kept = {
      base + "8-3.tmp",                              // its writer still runs
      base + std::to_string(sys.pid) + "-9.tmp",     // this run's own number
      base + "12345.tmp", base + "x-1.tmp", base + "7-.tmp", base + "0-1.tmp",
      base + "07-1.tmp", base + "7-1.tmp.bak", prog.programDirectory + "OTHER.7-1.tmp"};
  for (const auto& names : {dead, kept})
    for (const std::string& name : names) sys.files[name] = "x";

  // A run that cannot take the lock touches nothing.
  sys.lockedElsewhere = true;
  ScanFileRewrite busy;
  EXPECT_EQ(BeginScanFileRewrite(&busy), RewriteStart::kBusy);
  sys.lockedElsewhere = false;
  for (const std::string& name : dead) EXPECT_TRUE(sys.FileExists(name)) << name;

  WriteAll({"C:\\*new"});
  for (const std::string& name : dead) EXPECT_FALSE(sys.FileExists(name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(sys.FileExists(name)) << name;
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{"C:\\*new"});
}

}  // namespace
