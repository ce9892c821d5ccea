#include "support/Formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "support/Diagnostics.h"
#include "support/Text.h"

using namespace kestrova;
using Strings = std::vector<std::string>;

namespace {

Strings g_lines;  // diagnostic lines of the running test

class FormatterTest : public ::testing::Test {
 protected:
  void SetUp() override { KVSetDiagnosticSink([](const char* text) { g_lines.push_back(text); }); }
  void TearDown() override {
    KVSetDiagnosticSink(nullptr);
    g_lines.clear();
  }
};

// The first line of a diagnostic.
std::string Line(const char* level, const std::string& text, unsigned count, bool wide = false) {
  return std::string("(null): ") + level + ": kestrova::KVFormatterT<" + (wide ? "wchar_t" : "char") +
         ">::FormatArgs: " + text + ". FormatString follows, " + std::to_string(count) + " arguments.\n";
}

// UTF-16 output as UTF-8, for readable expectations.
template <class... Args>
std::string Wide(const char16_t* format, const Args&... args) {
  return Utf16ToUtf8(KVFormat(format, args...));
}

// Formats the ASCII `format` with the first `count` of the arguments "x", "y", "z" into a buffer.
template <class Ch>
std::string FormatXyz(std::string_view format, std::uint32_t count) {
  const std::basic_string<Ch> text(format.begin(), format.end()), x(1, Ch('x')), y(1, Ch('y')), z(1, Ch('z'));
  const KVFormatArgT<Ch> records[] = {KVMakeFormatArg<Ch>(x), KVMakeFormatArg<Ch>(y), KVMakeFormatArg<Ch>(z)};
  Ch buffer[32];
  KVFormatterT<Ch> formatter;
  formatter.SetBuffer(buffer, 32);
  return std::string(buffer, buffer + formatter.FormatArgs(text.c_str(), records, count));
}

const std::pair<const char*, const char*> kMore{"ERROR", "More arguments than {} replacement fields"};

// Format, argument count, output, and the level and text of the first line of each diagnostic.
const std::tuple<const char*, std::uint32_t, const char*, std::vector<std::pair<const char*, const char*>>>
    kDiagnosticCases[] = {
    {"{{}}", 0, "{}", {}},
    {"{1}{}{ 0 }", 3, "yzx", {}},
    {"{}", 0, "", {{"ERROR", "No argument for {} replacement field"}}},
    {"{} {}", 3, "x y", {kMore}},
    {"{5}", 2, "x", {{"ERROR", "Index=5 is not a valid argument index"}, kMore}},
    {"{99999999999}", 1, "x", {{"ERROR", "Index=4294967295 is not a valid argument index"}}},
    {"{:b}", 1, "x", {{"WARNING", "Ignoring unsupported format specifier 98"}}},
    {"abc}", 0, "abc", {{"WARNING", "Discarding unexpected closing bracket }"}}},
    {"abc{", 0, "abc", {{"ERROR", "Missing closing bracket }"}}},
    {"{q}", 1, "x", {{"WARNING", "Ignoring unexpected character 113 within {} replacement field"}}},
    {"{:>3", 1, "", {{"ERROR", "Incomplete format field"}, kMore, {"ERROR", "Missing closing bracket }"}}},
};

TEST_F(FormatterTest, DiagnosticsNarrowAndWide) {
  for (const auto& [format, count, output, problems] : kDiagnosticCases) {
    for (bool wide : {false, true}) {
      SCOPED_TRACE(std::string(format) + (wide ? " wide" : " narrow"));
      EXPECT_EQ(wide ? FormatXyz<char16_t>(format, count) : FormatXyz<char>(format, count), output);
      Strings expected;
      for (const auto& [level, text] : problems) {
        expected.insert(expected.end(), {Line(level, text, count, wide), std::string(format) + "\n"});
      }
      EXPECT_EQ(g_lines, expected);
      g_lines.clear();
    }
  }
}

Strings g_calls;

// Records its calls; a negative value writes "!" and fails.
int RecordingConvert(KVFormatterImplT<char>& formatter, const void* value) {
  g_calls.push_back(value == nullptr ? "probe" : "width=" + std::to_string(formatter.Spec().width));
  if (value == nullptr || *static_cast<const int*>(value) >= 0) return 0;
  formatter.Append('!');
  return 7;
}

TEST_F(FormatterTest, RoutinesAreProbedOncePerFieldAndFailuresReported) {
  const int one = 1, minus = -1;
  const KVFormatArgT<char> records[] = {{&one, &RecordingConvert}, {&minus, &RecordingConvert}, {&one, nullptr}};
  // A failed conversion keeps what the routine wrote and is reported with the argument's index.
  EXPECT_EQ(KVFormatterT<char>().FormatArgs("{}{:>3}", records, 2), 1U);
  EXPECT_EQ(g_calls, (Strings{"probe", "width=0", "probe", "width=3"}));
  EXPECT_EQ(KVFormatterT<char>().FormatArgs("{2}", records, 3), 0U);  // no routine
  EXPECT_EQ(g_lines, (Strings{Line("ERROR", "Conversion of argument 1 failed", 2), "{}{:>3}\n",
                              Line("ERROR", "Conversion of argument 2 failed", 3), "{2}\n"}));
}

TEST_F(FormatterTest, DiagnosticLinesAreCutAndWideFormatIsUtf8) {
  const std::u16string format = u"}" + std::u16string(400, u'\u00E9');
  EXPECT_EQ(Wide(format.c_str()), Utf16ToUtf8(format.substr(1)));
  EXPECT_EQ(g_lines, (Strings{Line("WARNING", "Discarding unexpected closing bracket }", 0, true),
                              Utf16ToUtf8(format).substr(0, 511)}));
  // KVFormat runs two passes but reports once; a null format counts as empty.
  g_lines.clear();
  EXPECT_EQ(KVFormat(static_cast<const char*>(nullptr), 1), "");
  EXPECT_EQ(g_lines, (Strings{Line("ERROR", "More arguments than {} replacement fields", 1), "(null)\n"}));
}

TEST_F(FormatterTest, Integers) {
  EXPECT_EQ(KVFormat("{} {} {}", 0, INT32_MIN, UINT32_MAX), "0 -2147483648 4294967295");
  EXPECT_EQ(KVFormat("{} {}", INT64_MIN, UINT64_MAX), "-9223372036854775808 18446744073709551615");
  EXPECT_EQ(KVFormat("{:_}|{:'}|{:,}", UINT64_MAX, 999, -1000), "18_446_744_073_709_551_615|999|-1,000");
  EXPECT_EQ(KVFormat("{: }|{: }|{:-}|{:+}", 7, -7, 7, 0), " 7|-7|7|+0");
  EXPECT_EQ(KVFormat("{:08}|{:=+8}|{:*^7}|{:<5}|{:x<4d}", -42, 5, -5, 42, 1), "-0000042|+      5|**-5***|42   |1xxx");
  EXPECT_EQ(KVFormat("{:<08}|{:#>4}|{:2}", 3, 3, 12345), "3       |###3|12345");
  EXPECT_EQ(KVFormat("{} {} {} {}", std::int16_t{-300}, std::uint16_t{65535}, std::uint8_t{200}, std::int8_t{-1}),
            "-300 65535 200 -1");
  // Hexadecimal: "#" adds "0x" and two digits per byte.
  EXPECT_EQ(KVFormat("0x{:08X}|{:#x}|{:#X}", 1603, 26, 26), "0x00000643|0x0000001a|0x0000001A");
  EXPECT_EQ(KVFormat("{:x}|{:X}|{:x}|{:x}", 0, 0xABCu, -1, -1LL), "0|ABC|ffffffff|ffffffffffffffff");
  EXPECT_EQ(KVFormat("{:#x}|{:#x}", std::uint64_t{1}, -2), "0x0000000000000001|0xfffffffe");
  EXPECT_EQ(KVFormat("{:_x}|{:'X}|{:#_x}", 0x12345678u, 0x123456789ABCDEF0ULL, 255),
            "1234_5678|12345678'9ABCDEF0|0x0000_00ff");
  EXPECT_EQ(KVFormat("{:+x}|{:#010x}|{:>6x}|{:<#12x}|", 10, 10, 10, 10), "a|0x0000000a|     a|0x0000000a  |");
  // Type c, and character arguments written the same way.
  EXPECT_EQ(KVFormat("[{:c}][{:c}][{:c}][{:c}][{:c}][{:>3c}][{:=3c}]", 65, 0, 10, 200, -65, 90, 90),
            "[A][NUL][?][?][?][  Z][  Z]");
  EXPECT_EQ(KVFormat("{}{}{}|{:<3}|{:x}|{:#X}", 'a', u'b', '\n', 'c', 'a', u'\u20AC'), "ab?|c  |61|0x000020AC");
  EXPECT_EQ(Wide(u"{}{}{:^5}", u'\u00E9', '\0', u'x'), "?NUL  x  ");
}

TEST_F(FormatterTest, FloatingPoint) {
  EXPECT_EQ(KVFormat("{}|{}|{}|{}", 3.14159, -1.5, 0.0, 0.5f), "3.141590|-1.500000|0.000000|0.500000");
  // Rounded half up, with a carry into the integer part; precision 0 drops the point.
  EXPECT_EQ(KVFormat("{:.2}|{:.2}|{:.3}|{:.0}|{:.0}|{:.}", 0.125, 2.675, 9.9996, 2.5, 0.49, 7.7),
            "0.13|2.67|10.000|3|0|8");
  EXPECT_EQ(KVFormat("{:.1f}|{:.20}|{:,.1}|{:_.0}", -0.04, 0.5, 1234567.25, -9876543.0),
            "-0.0|0.50000000000000000000|1,234,567.3|-9_876_543");
  EXPECT_EQ(KVFormat("{:>10.2}|{:=10.2}|{:010.2}|{:<8.1}|{:^9.1}", -1.5, -1.5, -1.5, 2.0, 2.0),
            "     -1.50|-     1.50|-000001.50|2.0     |   2.0   ");
  EXPECT_EQ(KVFormat("{}|{}|{}|{:>5}|{:=5}", NAN, INFINITY, -INFINITY, -INFINITY, -INFINITY),
            "nan|inf|-inf| -inf|- inf");
  // The integer part must fit: the limit is the single-precision value of 9e18.
  EXPECT_EQ(KVFormat("{:.0}|{:.0}|{}|{}|{:.1}", 9000000202358128640.0, 9e18, 9.1e18, -1e300, 1.25L),
            "9000000202358128640|9000000000000000000|<<overflow>>|<<overflow>>|1.3");
}

TEST_F(FormatterTest, Strings) {
  const char* text = "ab";
  const char* null = nullptr;
  const std::string_view view = std::string_view("viewed").substr(0, 4);
  EXPECT_EQ(KVFormat("{}|{}|{}|{}|{}", text, null, nullptr, std::string("str"), view),
            "ab|<<nullptr>>|<<nullptr>>|str|view");
  // Right-aligned by default, centred with the extra fill after, never cut.
  EXPECT_EQ(KVFormat("{:5}|{:<5}|{:^5}|{:>5}|{:=5}|{:05}|{:1}", text, text, text, text, text, text, "abc"),
            "   ab|ab   | ab  |   ab|   ab|000ab|abc");
  EXPECT_EQ(KVFormat("{:-^7s}|{:>13}", "mid", null), "--mid--|  <<nullptr>>");
  // UTF-16 becomes UTF-8; the width counts bytes.
  EXPECT_EQ(KVFormat("{}|{:>8}|{}", std::u16string(u"\u00E9\U0001F600"), u"\u00E9", std::u16string_view(u"a\xD800z")),
            "\xC3\xA9\xF0\x9F\x98\x80|      \xC3\xA9|a\xEF\xBF\xBDz");
  // UTF-16 text stays as it is; narrow text is widened byte by byte.
  EXPECT_TRUE(KVFormat(u"{}|{:>4}|{}", u"\u00E9t", std::u16string(u"\xD800"), std::u16string_view(u"xy", 1)) ==
              u"\u00E9t|   \xD800|x");
  EXPECT_EQ(Wide(u"{}|{:*<5}|{}", static_cast<const char16_t*>(nullptr), u"ab", nullptr),
            "<<nullptr>>|ab***|<<nullptr>>");
  EXPECT_EQ(Wide(u"{}{}{}", "a\xE9", std::string("\xE9"), std::string_view("\xFFq", 1)), "a\u00E9\u00E9\u00FF");
  // A fill above 255 becomes "?"; one up to 255 is kept.
  EXPECT_EQ(Wide(u"{:\u20AC>4}|{:\u00E9<3}", u"ab", 1), "??ab|1\u00E9\u00E9");
  // wchar_t text holds code points here (UTF-16 on Windows).
  KVFormatterT<char16_t> formatter;
  char16_t buffer[8];
  formatter.SetBuffer(buffer, 8);
  formatter.WriteString(L"\U0001F600", KVFormatSpec{0, 4});
  formatter.WriteString(static_cast<const wchar_t*>(nullptr), KVFormatSpec{});
  EXPECT_EQ(formatter.Count(), 4U + 11U);
  EXPECT_TRUE(std::u16string(buffer, 8) == u"  \U0001F600<<nu");
}

TEST_F(FormatterTest, SinkMeasuresWritesAndCuts) {
  // Measuring and writing give the same length; the write pass fills exactly length + 1.
  const char16_t* format = u"{:>300}|{:#x}|{:,.3}|{}";
  KVFormatterT<char16_t> formatter;
  const std::size_t length = formatter.Format(format, u"end", 26, 1234.5, "narrow");
  std::u16string text(length + 1, u'#');
  formatter.SetBuffer(text.data(), length + 1);
  EXPECT_EQ(formatter.Format(format, u"end", 26, 1234.5, "narrow"), length);
  EXPECT_EQ(formatter.Count(), length);
  EXPECT_EQ(Utf16ToUtf8(text), std::string(297, ' ') + "end|0x0000001a|1,234.500|narrow" + '\0');
  // Successive calls append, each returning its own full length; what does not fit is cut, the text terminated.
  char small[6];
  KVFormatterT<char> chained;
  chained.SetBuffer(small, sizeof(small));
  EXPECT_EQ(chained.Format("{}-", 12), 3U);
  EXPECT_EQ(chained.Format("a{}", "bcd"), 4U);
  EXPECT_EQ(chained.Count(), 7U);
  EXPECT_STREQ(small, "12-ab");
  EXPECT_TRUE(g_lines.empty());
}

}  // namespace
