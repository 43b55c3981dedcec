// Window texts crossing between UTF-16 and UTF-8, malformed input included.
#include <gtest/gtest.h>

#include "platform/Utf.h"

namespace platform {
namespace {

TEST(Utf, RoundTripsChineseEmojiAndAscii) {
  const std::u16string texts[] = {u"", u"MoroGIF", u"正在录制：帧数 3", u"a\U0001F600b"};
  for (const auto& t : texts) EXPECT_EQ(toUtf16(toUtf8(t)), t);
  EXPECT_EQ(toUtf8(u"停止录制(F1)"), "停止录制(F1)");
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string utf8;
    std::u16string expected;
  };
  const Case cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},             // invalid byte
      {"\xE6\xAD", u"\uFFFD\uFFFD"},          // truncated sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(toUtf16(c.utf8), c.expected);
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace platform
