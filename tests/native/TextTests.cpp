#include <gtest/gtest.h>

#include <utility>

#include "support/Text.h"

using namespace kestrova;

TEST(Text, Utf8ToUtf16RoundTripsAndReplacesIllFormedInput) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"K\xC3\xB6ln \xE6\x97\xA5 \xF0\x9F\x98\x80", u"K\u00F6ln \u65E5 \U0001F600"},  // two, three and four bytes
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xC3", u"\uFFFD"},              // truncated
      {"\xC0\xAFx", u"\uFFFDx"},        // overlong
      {"\xED\xA0\x80x", u"\uFFFDx"},    // encoded surrogate
      {"\xE6\x97x", u"\uFFFD\uFFFDx"},  // broken sequence: byte by byte
  };
  for (const auto& [utf8, utf16] : cases) EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << utf8;
  EXPECT_EQ(Utf16ToUtf8(cases[0].second), cases[0].first);
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

TEST(Text, WideToUtf16KeepsTheUnitsOfTheUtf16Original) {
  // Item names come from UTF-16 archives through a library whose wchar_t may be 32 bits wide.
  EXPECT_EQ(WideToUtf16(L"K\u00F6ln \U0001F600"), u"K\u00F6ln \U0001F600");
  const wchar_t loneSurrogate[] = {static_cast<wchar_t>(0xDC00), L'x', 0};
  EXPECT_EQ(WideToUtf16(loneSurrogate), u"\xDC00x");
}

TEST(Text, KeywordsFoldOnlyAsciiLettersAndTrimBlanks) {
  EXPECT_TRUE(EqualsAsciiNoCase(u"TRUE", u"true"));
  EXPECT_TRUE(EqualsAsciiNoCase(std::string_view("Off"), std::string_view("oFF")));
  EXPECT_FALSE(EqualsAsciiNoCase(u"\u00C4", u"\u00E4"));  // Ä is no ASCII letter
  EXPECT_FALSE(EqualsAsciiNoCase(u"on", u"one") || EqualsAsciiNoCase(u"@", u"`"));  // "@", "`": next to the letters
  EXPECT_EQ(TrimBlanks(u" \t/qn REBOOT=R\r\n"), u"/qn REBOOT=R");
  EXPECT_EQ(TrimBlanks(u" \t\r\n"), u"");
  EXPECT_EQ(TrimBlanks(u"\vx\v"), u"\vx\v");
}
