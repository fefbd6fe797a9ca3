#include "platform/cd_format.h"

#include <gtest/gtest.h>

namespace {

TEST(PosixCdFile, PlainIsThePathAndOneNulWhateverTheName) {
  const std::string hostile = "/tmp/a 'b'\n$(rm -rf ~);`x`\n";
  const std::string text = PosixCdFileText(hostile, "plain");
  ASSERT_EQ(text.size(), hostile.size() + 1);
  EXPECT_EQ(text.substr(0, hostile.size()), hostile);
  EXPECT_EQ(text.back(), '\0');
  EXPECT_EQ(PosixCdFileText("/", "plain"), std::string("/\0", 2));
}

TEST(PosixCdFile, AnyOtherFormatIsTheQuotedScript) {
  for (const char* format : {static_cast<const char*>(nullptr), "", "PLAIN",
                             "plain ", "fish"}) {
    SCOPED_TRACE(format ? format : "(unset)");
    EXPECT_EQ(PosixCdFileText("/tmp/it's", format), "cd -- '/tmp/it'\\''s'\n");
  }
}

}  // namespace
