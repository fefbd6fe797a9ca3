// How the Windows listing names what the ANSI code page cannot hold, through
// a real scan of real folders with the conversion replaced: a code page that
// lacks every name holding "odd", and volumes with and without short names.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixture.h"
#include "scanner/scan.h"
#include "win32/system_win32.h"

namespace {

bool AnsiWithoutOdd(const std::wstring& wide, std::string* text) {
  return wide.find(L"odd") == std::wstring::npos && ToAnsi(wide, text);
}
std::wstring NoShortNames(const std::wstring&) { return std::wstring(); }
std::wstring LongNameAsShort(const std::wstring& path) { return path; }

class Win32Names : public KsTest {
 protected:
  void SetUp() override {
    KsTest::SetUp();
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    root_ = std::wstring(temp) + L"ks95-names-" + std::to_wstring(GetCurrentProcessId());
    for (const wchar_t* dir : {L"", L"\\plain", L"\\odd", L"\\odd\\below", L"\\oddhidden",
                               L"\\.odddot", L"\\odd directory", L"\\odd directory\\below"})
      ASSERT_TRUE(CreateDirectoryW((root_ + dir).c_str(), nullptr)) << GetLastError();
    made_ = true;
    SetFileAttributesW((root_ + L"\\oddhidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    HANDLE file = CreateFileW((root_ + L"\\oddfile").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_TRUE(ToAnsi(root_, &rootPath_));
    scanner.quietScan = true;
  }
  void TearDown() override {
    theSystem = &sys;
    if (made_) {
      DeleteFileW((root_ + L"\\oddfile").c_str());
      for (const wchar_t* dir : {L"\\odd directory\\below", L"\\odd directory", L"\\.odddot",
                                 L"\\oddhidden", L"\\odd\\below", L"\\odd", L"\\plain", L""})
        RemoveDirectoryW((root_ + dir).c_str());
    }
    KsTest::TearDown();
  }
  std::vector<std::string> Scan(const NameConversion& names, uint16_t attributes) {
    // Kept in place until the next scan: the text asks it for the code page.
    win_ = CreateWin32System(names);
    theSystem = win_.get();
    scanner.scanAttributes = attributes;
    scanner.scanList = {"", rootPath_};
    scanner.scanCount = 1;
    scanner.scanCanceled = false;
    ScanDirectory(rootPath_);
    EXPECT_EQ(ScanFailure(), "");
    return std::vector<std::string>(scanner.scanList.begin() + 2, scanner.scanList.end());
  }

  std::unique_ptr<System> win_;
  std::wstring root_;
  std::string rootPath_;
  bool made_ = false;
};

TEST_F(Win32Names, NamesTheCodePageLacksGoByShortNameOrAreCountedLeftOut) {
  const std::string codePage = " not fit code page " + std::to_string(GetACP());
  for (auto shortPath : {NoShortNames, LongNameAsShort}) {
    NameConversion names;
    names.toAnsi = AnsiWithoutOdd;
    names.shortPath = shortPath;
    // The file and the dot name are never counted; the hidden one only
    // where hidden directories are scanned.
    EXPECT_EQ(Scan(names, 16), std::vector<std::string>{rootPath_ + "\\plain"});
    EXPECT_EQ(ScanLeftOutText(), "2 directories left out: their names do" + codePage);
    Scan(names, 63);
    EXPECT_EQ(ScanLeftOutText(), "3 directories left out: their names do" + codePage);
  }

  // With the volume's short names, only the folder whose short name holds
  // "odd" as well is left out; the other is scanned, subtree and all.
  NameConversion names;
  names.toAnsi = AnsiWithoutOdd;
  std::vector<std::string> found = Scan(names, 16);
  ASSERT_EQ(found.size(), 3u);
  std::string alias = found[0] == rootPath_ + "\\plain" ? found[1] : found[0];
  EXPECT_NE(alias.find('~'), std::string::npos) << alias;
  EXPECT_NE(std::find(found.begin(), found.end(), alias + "\\below"), found.end());
  EXPECT_EQ(ScanLeftOutText(), "1 directory left out: its name does" + codePage);
}

}  // namespace
