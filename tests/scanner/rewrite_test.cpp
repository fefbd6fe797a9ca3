#include "scanner/rewrite.h"

#include "fixture.h"

namespace {

class ScanFileRewriteTest : public KsTest {
 protected:
  std::string TempPath() const { return ScanFilePath() + ".new"; }
  void WriteAll(const std::vector<std::string>& lines) {
    ScanFileRewrite rw;
    ASSERT_TRUE(BeginScanFileRewrite(&rw));
    for (const std::string& l : lines) WriteScanLine(&rw, l);
    ASSERT_TRUE(CommitScanFileRewrite(&rw));
  }
};

TEST_F(ScanFileRewriteTest, NewContentsReplaceTheFileAndNoTemporaryStays) {
  WriteScanFile({"C:\\*old", "C:\\OLD"});
  sys.files[TempPath()] = "garbage left by a killed run";
  WriteAll({"C:\\*new", "C:\\NEW", "D:\\*x"});
  EXPECT_EQ(ScanFileLines(), (std::vector<std::string>{"C:\\*new", "C:\\NEW", "D:\\*x"}));
  EXPECT_FALSE(sys.FileExists(TempPath()));

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
    ASSERT_TRUE(BeginScanFileRewrite(&rw));
    for (int i = 0; i < 20000; ++i) WriteScanLine(&rw, "C:\\DIR" + std::to_string(i));
    CommitScanFileRewrite(&rw);
  });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_NE(con.output.find("Disk full"), std::string::npos);

  // The partial temporary file does not stand in the way of the next run.
  sys.writeBudget = -1;
  WriteAll({"C:\\*again"});
  EXPECT_EQ(ScanFileLines(), std::vector<std::string>{"C:\\*again"});
}

TEST_F(ScanFileRewriteTest, FailuresToCreateOrReplaceLeaveTheOldFile) {
  WriteScanFile({"C:\\*old"});
  const std::string old = sys.files[ScanFilePath()];

  sys.failOpen.insert(TempPath());
  ScanFileRewrite rw;
  EXPECT_FALSE(BeginScanFileRewrite(&rw));
  sys.failOpen.clear();

  sys.failReplace = true;
  ScanFileRewrite rw2;
  ASSERT_TRUE(BeginScanFileRewrite(&rw2));
  WriteScanLine(&rw2, "C:\\*new");
  EXPECT_FALSE(CommitScanFileRewrite(&rw2));
  EXPECT_EQ(sys.files[ScanFilePath()], old);
  EXPECT_FALSE(sys.FileExists(TempPath()));
}

}  // namespace
