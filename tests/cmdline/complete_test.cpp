#include "cmdline/complete.h"

#include "fixture.h"

namespace {

using Completion = KsTest;

std::vector<std::string> Candidates(TestSystem& sys, const std::string& word) {
  return CompletionCandidates(
      sys.OpenFile(sys.programDir + "KS.DAT", OpenMode::kRead).handle, word);
}

TEST_F(Completion, LastComponentsAnyCaseEachOnce) {
  sys.files[sys.programDir + "KS.DAT"] =
      "C:\\*07.12.2026 10:00\r\nC:\\Windows\r\nC:\\WINDIR\r\nC:\\a\\wiki\r\n"
      "C:\\b\\wiki\r\nC:\\b\\it's a dir\r\nD:\\*stamp\r\nD:\\x\\WIDE\r\n";
  using V = std::vector<std::string>;
  EXPECT_EQ(Candidates(sys, "wi"), (V{"WIDE", "WINDIR", "Windows", "wiki"}));
  EXPECT_EQ(Candidates(sys, "d:wi"), (V{"d:WIDE"}));
  EXPECT_EQ(Candidates(sys, "*di"), (V{"*WINDIR", "*it's a dir"}));
  EXPECT_EQ(Candidates(sys, "it"), (V{"it's a dir"}));
  // Root lines and their stamps are no names.
  EXPECT_EQ(Candidates(sys, "0"), V{});
  EXPECT_EQ(Candidates(sys, "--h"), (V{"--help"}));
  EXPECT_EQ(Candidates(sys, "/S"), (V{"/s", "/s+"}));
  EXPECT_EQ(CompletionCandidates(nullptr, "wi"), V{});
}

}  // namespace
