#include "store/text_file.h"

#include <random>
#include <string>
#include <vector>

#include "fixture.h"

namespace {

using TextFile = KsTest;

// The line rules spelled out byte by byte: CR ends a line and one LF after
// it is skipped, a lone LF ends a line, Ctrl-Z ends the file.
std::vector<std::string> Reference(const std::string& data) {
  std::vector<std::string> lines;
  std::string cur;
  bool any = false;
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == 26) break;
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      any = false;
      if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
      continue;
    }
    cur += c;
    any = true;
  }
  if (any) lines.push_back(cur);
  return lines;
}

std::vector<std::string> ReadAll(TestSystem& sys, const std::string& data) {
  sys.files["F"] = data;
  LineReader reader(sys.OpenFile("F", OpenMode::kRead).handle);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(&line)) lines.emplace_back(line);
  reader.Close();
  return lines;
}

TEST_F(TextFile, LinesSplitAsTheRulesSayAcrossBlockBoundaries) {
  std::mt19937 rng(7);
  const char pieces[] = {'a', 'b', '\\', ' ', '\r', '\n', '\r', '\n', 26};
  for (int round = 0; round < 40; ++round) {
    std::string data;
    // Long enough to cross the reader's blocks several times, with line
    // ends falling on every side of a boundary.
    size_t size = 150000 + rng() % 60000;
    std::uniform_int_distribution<int> pick(0, round % 2 ? 7 : 8);
    while (data.size() < size) {
      int k = pick(rng);
      if (k < 2) data.append(1 + rng() % 40, pieces[k]);
      else data += pieces[k];
    }
    ASSERT_EQ(ReadAll(sys, data), Reference(data)) << "round " << round;
  }
  // A CR at the very end of a block and its LF at the start of the next.
  std::string edge(65535, 'x');
  edge += "\r\nnext\r\n";
  EXPECT_EQ(ReadAll(sys, edge), (std::vector<std::string>{std::string(65535, 'x'), "next"}));
}

TEST_F(TextFile, AFailedWriteEndsTheProgramWithTheReport) {
  sys.writeBudget = 3;
  std::unique_ptr<File> out = sys.OpenFile("G", OpenMode::kCreate).handle;
  LineWriter writer(out.get());
  writer.Line("C:\\LONG");
  EXPECT_EQ(ExitCodeOf([&] { writer.Flush(); }), 1);
  EXPECT_NE(con.output.find("Disk full"), std::string::npos);
}

}  // namespace
