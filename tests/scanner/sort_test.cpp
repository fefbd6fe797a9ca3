#include "scanner/sort.h"

#include <algorithm>
#include <random>
#include <set>

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

// Reference order: name by name, each name by its key and then by its bytes,
// a path before the paths below it.
int ReferenceCompare(const std::string& a, const std::string& b) {
  auto split = [](const std::string& p) {
    std::vector<std::string> parts(1);
    for (char c : p) {
      if (c == '\\') parts.emplace_back();
      else parts.back() += c;
    }
    return parts;
  };
  std::vector<std::string> x = split(a), y = split(b);
  for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
    if (int c = TreeOrderKey(x[i]).compare(TreeOrderKey(y[i]))) return c;
    if (int c = x[i].compare(y[i])) return c;
  }
  return static_cast<int>(x.size()) - static_cast<int>(y.size());
}

// The comparator must agree with comparing the keys themselves, or the
// command-line insertion and the scan would disagree about where lines go.
// The scan's own sort must follow the reference order.
TEST_F(TreeOrder, ComparatorFollowsTheKeysAndTheSortTheReferenceOnRandomPaths) {
  std::mt19937 rng(95);
  const std::string alphabet = "aAzZ_ \\!09\x7f\x80\xff";
  auto randomName = [&] {
    std::string s;
    size_t n = rng() % 8;
    for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (int i = 0; i < 50000; ++i) {
    std::string a = randomName(), b = randomName();
    std::string ka = TreeOrderKey(a), kb = TreeOrderKey(b);
    ASSERT_EQ(ka.size(), a.size());
    // std::string compares char_traits<char>, which is unsigned-byte order.
    ASSERT_EQ(sign(CompareTreeOrder(a, b)), sign(ka.compare(kb))) << "a=" << a << " b=" << b;
  }
  for (int round = 0; round < 200; ++round) {
    std::set<std::string> unique;
    while (unique.size() < 60) {
      std::string p = randomName();
      // Real paths: no empty names.
      if (p.empty() || p.front() == '\\' || p.back() == '\\' ||
          p.find("\\\\") != std::string::npos)
        continue;
      unique.insert(p);
    }
    std::vector<std::string> dirs(unique.begin(), unique.end());
    std::shuffle(dirs.begin(), dirs.end(), rng);
    ScanListOf(dirs);
    std::sort(dirs.begin(), dirs.end(), [](const std::string& a, const std::string& b) {
      return ReferenceCompare(a, b) < 0;
    });
    ASSERT_EQ(SortedNames(), dirs);
  }
}

TEST_F(TreeOrder, NamesDifferingOnlyInCaseKeepTheirSubtreesApart) {
  ScanListOf({"pod\\b", "Pod\\z", "pod", "PODS", "Pod", "Pod\\a", "pod\\B"});
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{
                               "Pod", "Pod\\a", "Pod\\z", "pod", "pod\\B", "pod\\b", "PODS"}));
}

}  // namespace
