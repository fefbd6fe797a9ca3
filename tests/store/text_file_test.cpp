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
  // Line ends found past the last whole 64 bytes before a refill, after a
  // CR LF that straddles 64: what the reader knew of the first bytes must
  // not outlive the refill.
  for (size_t end = 65474; end < 65536; ++end) {
    std::string data = std::string(9, 'a') + "\r\n" + std::string(17, 'a') + "\r\n" +
                       std::string(16, 'a') + "\r\n" + std::string(15, 'a') + "\r\n";
    data.append(end - data.size(), 'b');
    for (int length : {0, 15, 11, 9, 4, 9, 11, 0, 7, 12, 8}) data.append(length, 'c') += '\n';
    ASSERT_EQ(ReadAll(sys, data), Reference(data)) << "line end at " << end;
  }
  // A CR at the very end of a block and its LF at the start of the next.
  std::string edge(65535, 'x');
  edge += "\r\nnext\r\n";
  EXPECT_EQ(ReadAll(sys, edge), (std::vector<std::string>{std::string(65535, 'x'), "next"}));
}

// Copying clean runs as they are and writing the other lines anew must give
// the bytes of writing every line anew, whatever the line ends and however
// the runs are cut.
TEST_F(TextFile, CleanRunsCopyToTheSameBytesAsLineByLine) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    std::string data;
    size_t size = 150000 + rng() % 60000;
    // A line longer than the writer's buffer goes out past it.
    if (round == 1) {
      data.assign(300000, 'L');
      size += data.size();
    }
    while (data.size() < size) {
      unsigned k = rng() % 40;
      if (k == 0) data += '\r';
      else if (k == 1) data += '\n';
      else if (k == 2 && round % 3 == 0) data += '\x1a';
      else if (k < 8) data += "\r\n";
      else data.append(1 + rng() % 30, static_cast<char>('a' + k));
    }
    std::string expected;
    for (const std::string& line : Reference(data)) expected += line + "\r\n";
    sys.files["F"] = data;
    LineReader reader(sys.OpenFile("F", OpenMode::kRead).handle);
    std::unique_ptr<File> out = sys.OpenFile("G", OpenMode::kCreate).handle;
    LineWriter writer(out.get());
    std::string_view line;
    for (;;) {
      long lines = 0;
      std::string_view run = reader.CleanRun(1 + static_cast<long>(rng() % 5000), &lines);
      if (lines > 0) writer.Raw(run);
      else if (reader.Next(&line)) writer.Line(line);
      else break;
    }
    writer.Flush();
    reader.Close();
    ASSERT_EQ(sys.files["G"], expected) << "round " << round;
  }
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
