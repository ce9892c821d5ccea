#include <gtest/gtest.h>

#include "support/Text.h"

using namespace kestrova;

TEST(Text, Utf8AndUtf16RoundTrip) {
  const std::string utf8 = "K\xC3\xB6ln \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";  // Köln 日本 😀
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  EXPECT_EQ(utf16, u"K\u00F6ln \u65E5\u672C \U0001F600");
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Text, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                 // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAFx"), u"\uFFFDx");          // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");      // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xE6\x97x"), u"\uFFFD\uFFFDx");  // broken sequence: byte by byte
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Text, KeywordsFoldOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsAsciiNoCase(u"TRUE", u"true"));
  EXPECT_TRUE(EqualsAsciiNoCase(std::string_view("Off"), std::string_view("oFF")));
  EXPECT_FALSE(EqualsAsciiNoCase(u"\u00C4", u"\u00E4"));  // Ä is no ASCII letter
  EXPECT_FALSE(EqualsAsciiNoCase(u"on", u"one"));
  EXPECT_FALSE(EqualsAsciiNoCase(u"@", u"`"));  // neighbours of the letter ranges
}

TEST(Text, TrimBlanksRemovesBlanksTabsAndLineBreaks) {
  EXPECT_EQ(TrimBlanks(u" \t/qn REBOOT=R\r\n"), u"/qn REBOOT=R");
  EXPECT_EQ(TrimBlanks(u" \t\r\n"), u"");
  EXPECT_EQ(TrimBlanks(u"\vx\v"), u"\vx\v");
}
