#include "scanner/sort.h"

#include <algorithm>
#include <random>

#include "fixture.h"

namespace {

using TreeOrder = KsTest;

// Loads `dirs` as the scanned directories of drive D below its root.
void ScanListOf(const std::vector<std::string>& dirs) {
  scanner.scanList = {"", "D:\\"};
  for (const std::string& d : dirs) scanner.scanList.push_back("D:\\" + d);
  scanner.scanCount = static_cast<int>(scanner.scanList.size()) - 1;
}

std::vector<std::string> SortedNames() {
  SortScanList();
  std::vector<std::string> out;
  for (size_t i = 2; i < scanner.scanList.size(); ++i)
    out.push_back(scanner.scanList[i].substr(3));
  return out;
}

TEST_F(TreeOrder, KeyMapsSeparatorToZeroAndFoldsOnlyAsciiLetters) {
  std::string key = TreeOrderKey("D:\\ab\\Z_\xe4" "1");
  EXPECT_EQ(key, std::string("D:\0AB\0Z_\xe4" "1", 10));
  EXPECT_EQ(TreeOrderKey(""), "");
}

TEST_F(TreeOrder, SubtreeComesBeforeASiblingThatExtendsTheName) {
  std::vector<std::string> dirs = {"APPS", "APPS OLD", "APPS\\EDIT", "APPS\\EDIT\\OLD"};
  std::sort(dirs.begin(), dirs.end());
  do {
    ScanListOf(dirs);
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{
                                 "APPS", "APPS\\EDIT", "APPS\\EDIT\\OLD", "APPS OLD"}));
  } while (std::next_permutation(dirs.begin(), dirs.end()));
}

TEST_F(TreeOrder, CaseOfAsciiLettersIsIgnoredAndOtherBytesCompareByValue) {
  ScanListOf({"GAMES2", "games", "Games1"});
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{"games", "Games1", "GAMES2"}));

  // Digits before letters, "_" after every letter (lower case compares as
  // upper), a blank before "!", bytes above 127 after all of these.
  ScanListOf({"_x", "zoo", "\xc4RGER", "b", "9", "a!", "a b", "A"});
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{
                               "9", "A", "a b", "a!", "b", "zoo", "_x", "\xc4RGER"}));
}

TEST_F(TreeOrder, RootAndPlaceholderNeverMoveAndTinyListsStay) {
  scanner.scanList = {"", "D:\\"};
  scanner.scanCount = 1;
  SortScanList();
  EXPECT_EQ(scanner.scanList, (std::vector<std::string>{"", "D:\\"}));

  scanner.scanList = {"", "D:\\", "D:\\B", "D:\\A"};
  scanner.scanCount = 2;  // only entry 2 counts: nothing to exchange
  SortScanList();
  EXPECT_EQ(scanner.scanList[2], "D:\\B");
  EXPECT_EQ(scanner.scanList[3], "D:\\A");

  // "D:\" would sort before "D:\0", but index 1 is fixed whatever its text.
  scanner.scanList = {"zz", "D:\\", "D:\\0", "D:\\!"};
  scanner.scanCount = 3;
  SortScanList();
  EXPECT_EQ(scanner.scanList, (std::vector<std::string>{"zz", "D:\\", "D:\\!", "D:\\0"}));
}

// The comparator must agree with comparing the keys themselves, or the
// command-line insertion and the scan would disagree about where lines go.
TEST_F(TreeOrder, ComparatorAgreesWithTheKeysOnRandomPaths) {
  std::mt19937 rng(95);
  const std::string alphabet = std::string("aAzZ_ \\!09\x7f\x80\xff", 14) + std::string(1, '\0');
  auto randomPath = [&] {
    std::string s;
    size_t n = rng() % 8;
    for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (int i = 0; i < 20000; ++i) {
    std::string a = randomPath(), b = randomPath();
    std::string ka = TreeOrderKey(a), kb = TreeOrderKey(b);
    ASSERT_EQ(ka.size(), a.size());
    // std::string compares char_traits<char>, which is unsigned-byte order.
    ASSERT_EQ(sign(CompareTreeOrder(a, b)), sign(ka.compare(kb)))
        << "a=" << a << " b=" << b;
  }
}

TEST_F(TreeOrder, LargeShuffledListComesOutInKeyOrderWithNothingLost) {
  std::vector<std::string> dirs;
  for (int i = 0; i < 3000; ++i)
    dirs.push_back("d" + std::to_string(i % 97) + "\\s" + std::to_string(i));
  std::shuffle(dirs.begin(), dirs.end(), std::mt19937(7));
  ScanListOf(dirs);
  std::vector<std::string> before(scanner.scanList.begin() + 2, scanner.scanList.end());
  SortScanList();
  std::vector<std::string> after(scanner.scanList.begin() + 2, scanner.scanList.end());
  for (size_t i = 1; i < after.size(); ++i)
    ASSERT_LE(TreeOrderKey(after[i - 1]), TreeOrderKey(after[i]));
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(before, after);
}

}  // namespace
