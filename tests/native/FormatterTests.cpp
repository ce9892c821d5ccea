#include "support/Formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/Diagnostics.h"
#include "support/Text.h"

using namespace kestrova;

namespace {

std::vector<std::string>* g_lines = nullptr;
void CaptureLine(const char* text) { g_lines->push_back(text); }

class FormatterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_lines = &lines_;
    previous_ = KVSetDiagnosticSink(&CaptureLine);
  }
  void TearDown() override {
    KVSetDiagnosticSink(previous_);
    g_lines = nullptr;
  }

  std::vector<std::string> lines_;
  KVDiagnosticSink previous_ = nullptr;
};

// The first line of a diagnostic.
std::string Line(const char* level, const std::string& text, unsigned count, bool wide) {
  return std::string("(null): ") + level + ": kestrova::KVFormatterT<" + (wide ? "wchar_t" : "char") +
         ">::FormatArgs: " + text + ". FormatString follows, " + std::to_string(count) + " arguments.\n";
}

// UTF-16 output as UTF-8, for readable expectations.
template <class... Args>
std::string Wide(const char16_t* format, const Args&... args) {
  return Utf16ToUtf8(KVFormat(format, args...));
}

struct DiagnosticCase {
  const char* format;
  std::uint32_t count;  // of the arguments "x", "y", "z"
  const char* output;
  std::vector<std::pair<const char*, std::string>> problems;  // level and text of each first line
};

const DiagnosticCase kDiagnosticCases[] = {
    {"{{}}", 0, "{}", {}},
    {"}}{{", 0, "}{", {}},
    {"{1}{}", 3, "yz", {}},
    {"{ 2 }{0}", 3, "zx", {}},
    {"{}", 0, "", {{"ERROR", "No argument for {} replacement field"}}},
    {"{} {}", 3, "x y", {{"ERROR", "More arguments than {} replacement fields"}}},
    {"{5}", 2, "x",
     {{"ERROR", "Index=5 is an invalid index specification"}, {"ERROR", "More arguments than {} replacement fields"}}},
    {"{99999999999}", 1, "x", {{"ERROR", "Index=4294967295 is an invalid index specification"}}},
    {"{:b}", 1, "x", {{"WARNING", "Ignoring unsupported format specifier 98"}}},
    {"abc}", 0, "abc", {{"WARNING", "Discarding unexpected closing bracket }"}}},
    {"abc{", 0, "abc", {{"ERROR", "Missing closing bracket }"}}},
    {"{q}", 1, "x", {{"WARNING", "Ignoring unexpected character 113 within {} replacement field"}}},
    {"{:>3", 1, "",
     {{"ERROR", "Incomplete format specification"},
      {"ERROR", "More arguments than {} replacement fields"},
      {"ERROR", "Missing closing bracket }"}}},
};

TEST_F(FormatterTest, DiagnosticsNarrowAndWide) {
  for (const DiagnosticCase& c : kDiagnosticCases) {
    SCOPED_TRACE(c.format);
    const char* narrowArgs[] = {"x", "y", "z"};
    const std::u16string wideArgs[] = {u"x", u"y", u"z"};
    for (bool wide : {false, true}) {
      lines_.clear();
      std::string output;
      if (wide) {
        const KVFormatArgT<char16_t> records[] = {KVMakeFormatArg<char16_t>(wideArgs[0]),
                                                  KVMakeFormatArg<char16_t>(wideArgs[1]),
                                                  KVMakeFormatArg<char16_t>(wideArgs[2])};
        const std::u16string format = Utf8ToUtf16(c.format);
        char16_t buffer[32];
        KVFormatterT<char16_t> formatter;
        formatter.SetBuffer(buffer, 32);
        const std::size_t length = formatter.FormatArgs(format.c_str(), records, c.count);
        output = Utf16ToUtf8(std::u16string_view(buffer, length));
      } else {
        const KVFormatArgT<char> records[] = {KVMakeFormatArg<char>(narrowArgs[0]), KVMakeFormatArg<char>(narrowArgs[1]),
                                              KVMakeFormatArg<char>(narrowArgs[2])};
        char buffer[32];
        KVFormatterT<char> formatter;
        formatter.SetBuffer(buffer, 32);
        const std::size_t length = formatter.FormatArgs(c.format, records, c.count);
        EXPECT_EQ(buffer[length], '\0');
        output = std::string(buffer, length);
      }
      EXPECT_EQ(output, c.output) << "wide=" << wide;
      std::vector<std::string> expected;
      for (const auto& [level, text] : c.problems) {
        expected.push_back(Line(level, text, c.count, wide));
        expected.push_back(std::string(c.format) + "\n");
      }
      EXPECT_EQ(lines_, expected) << "wide=" << wide;
    }
  }
}

std::vector<std::string> g_calls;

int RecordingConvert(KVFormatterImplT<char>& formatter, const void* value) {
  g_calls.push_back(value == nullptr ? "probe" : "value width=" + std::to_string(formatter.Spec().width));
  return 0;
}

int FailingConvert(KVFormatterImplT<char>& formatter, const void* value) {
  if (value == nullptr) return 0;
  formatter.Append('!');
  return 7;
}

TEST_F(FormatterTest, RoutinesAreProbedOncePerFieldAndFailuresReported) {
  const int dummy = 0;
  const KVFormatArgT<char> records[] = {{&dummy, &RecordingConvert}, {&dummy, &RecordingConvert}};
  g_calls.clear();
  KVFormatterT<char> formatter;
  EXPECT_EQ(formatter.FormatArgs("{}{:>3}", records, 2), 0U);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"probe", "value width=0", "probe", "value width=3"}));
  EXPECT_TRUE(lines_.empty());

  // A failed conversion keeps what the routine wrote and is reported with the argument's index.
  const int one = 1;
  const KVFormatArgT<char> failing[] = {KVMakeFormatArg<char>(one), {&dummy, &FailingConvert}, {&dummy, nullptr}};
  EXPECT_EQ(KVFormatterT<char>().FormatArgs("{}{}", failing, 2), 2U);
  EXPECT_EQ(lines_, (std::vector<std::string>{Line("ERROR", "Conversion of argument 1 failed", 2, false), "{}{}\n"}));
  lines_.clear();
  EXPECT_EQ(KVFormatterT<char>().FormatArgs("{2}", failing, 3), 0U);
  ASSERT_EQ(lines_.size(), 2U);
  EXPECT_EQ(lines_[0], Line("ERROR", "Conversion of argument 2 failed", 3, false));
}

TEST_F(FormatterTest, DiagnosticLinesAreCutAndWideFormatIsUtf8) {
  std::u16string format = u"}";
  for (int i = 0; i < 400; ++i) format += u'\u00E9';
  EXPECT_EQ(Wide(format.c_str()), Utf16ToUtf8(format.substr(1)));
  ASSERT_EQ(lines_.size(), 2U);
  EXPECT_EQ(lines_[0], Line("WARNING", "Discarding unexpected closing bracket }", 0, true));
  EXPECT_EQ(lines_[1].size(), 511U);
  EXPECT_EQ(lines_[1].substr(0, 3), "}\xC3\xA9");

  // KVFormat runs two passes but reports once; a null format counts as empty.
  lines_.clear();
  EXPECT_EQ(KVFormat(static_cast<const char*>(nullptr), 1), "");
  EXPECT_EQ(lines_, (std::vector<std::string>{Line("ERROR", "More arguments than {} replacement fields", 1, false),
                                              "(null)\n"}));
}

TEST_F(FormatterTest, IntegersDecimal) {
  EXPECT_EQ(KVFormat("{:>6}|{:+}|{:,}", -5, 5, 1234567), "    -5|+5|1,234,567");
  EXPECT_EQ(KVFormat("{} {} {}", 0, INT32_MIN, UINT32_MAX), "0 -2147483648 4294967295");
  EXPECT_EQ(KVFormat("{} {}", INT64_MIN, UINT64_MAX), "-9223372036854775808 18446744073709551615");
  EXPECT_EQ(KVFormat("{:_}|{:'}|{:,}", UINT64_MAX, 999, -1000), "18_446_744_073_709_551_615|999|-1,000");
  EXPECT_EQ(KVFormat("{: }|{: }|{:-}|{:+}", 7, -7, 7, 0), " 7|-7|7|+0");
  EXPECT_EQ(KVFormat("{:08}|{:=+8}|{:*^7}|{:<5}|{:x<4d}", -42, 5, -5, 42, 1), "-0000042|+      5|**-5***|42   |1xxx");
  EXPECT_EQ(KVFormat("{:<08}|{:#>4}|{:2}", 3, 3, 12345), "3       |###3|12345");
  const std::int16_t i16 = -300;
  const std::uint16_t u16 = 65535;
  const std::uint8_t u8 = 200;
  const signed char s8 = -1;
  const long long ll = -1234567890123LL;
  const std::size_t size = 42;
  EXPECT_EQ(KVFormat("{} {} {} {} {} {}", i16, u16, u8, s8, ll, size), "-300 65535 200 -1 -1234567890123 42");
}

TEST_F(FormatterTest, IntegersHexAndCharacter) {
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
  EXPECT_EQ(KVFormat("{:.1f}|{:.20}", -0.04, 0.5), "-0.0|0.50000000000000000000");
  EXPECT_EQ(KVFormat("{:,.1}|{:_.0}", 1234567.25, -9876543.0), "1,234,567.3|-9_876_543");
  EXPECT_EQ(KVFormat("{:>10.2}|{:=10.2}|{:010.2}|{:<8.1}|{:^9.1}", -1.5, -1.5, -1.5, 2.0, 2.0),
            "     -1.50|-     1.50|-000001.50|2.0     |   2.0   ");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(KVFormat("{}|{}|{}|{:>5}|{:=5}", std::nan(""), inf, -inf, -inf, -inf), "nan|inf|-inf| -inf|- inf");
  // The integer part must fit: the limit is the single-precision value of 9e18.
  static_assert(static_cast<double>(9e18f) == 9000000202358128640.0);
  EXPECT_EQ(KVFormat("{:.0}|{:.0}|{}", 9000000202358128640.0, 9e18, 9.1e18),
            "9000000202358128640|9000000000000000000|<<overflow>>");
  EXPECT_EQ(KVFormat("{}|{:.1}", -1e300, 1.25L), "<<overflow>>|1.3");
}

TEST_F(FormatterTest, StringsNarrow) {
  const char* text = "ab";
  const char* null = nullptr;
  const std::string object = "str";
  const std::string_view view = std::string_view("viewed").substr(0, 4);
  EXPECT_EQ(KVFormat("{}|{}|{}|{}|{}", text, null, nullptr, object, view), "ab|<<nullptr>>|<<nullptr>>|str|view");
  // Right-aligned by default, centred with the extra fill after, never cut.
  EXPECT_EQ(KVFormat("{:5}|{:<5}|{:^5}|{:>5}|{:=5}|{:05}|{:1}", text, text, text, text, text, text, "abc"),
            "   ab|ab   | ab  |   ab|   ab|000ab|abc");
  EXPECT_EQ(KVFormat("{:-^7s}|{:>13}", "mid", null), "--mid--|  <<nullptr>>");
  // UTF-16 becomes UTF-8; the width counts bytes.
  const std::u16string u16 = u"\u00E9\U0001F600";
  EXPECT_EQ(KVFormat("{}|{:>8}|{}", u16, u"\u00E9", std::u16string_view(u"a\xD800z")),
            "\xC3\xA9\xF0\x9F\x98\x80|      \xC3\xA9|a\xEF\xBF\xBDz");
}

TEST_F(FormatterTest, StringsWide) {
  const char16_t* text = u"\u00E9t\u00E9";
  const char16_t* null = nullptr;
  EXPECT_TRUE(KVFormat(u"{}|{:>4}|{}", text, std::u16string(u"\xD800"), std::u16string_view(u"xy", 1)) ==
              u"\u00E9t\u00E9|   \xD800|x");
  EXPECT_EQ(Wide(u"{}|{:*<5}|{}", null, u"ab", nullptr), "<<nullptr>>|ab***|<<nullptr>>");
  // Narrow text is widened byte by byte.
  const std::string narrow = "\xE9";
  EXPECT_TRUE(KVFormat(u"{}{}{}", "a\xE9", narrow, std::string_view("\xFFq", 1)) == u"a\u00E9\u00E9\u00FF");
  // A fill above 255 becomes "?"; one up to 255 is kept.
  EXPECT_EQ(Wide(u"{:\u20AC>4}|{:\u00E9<3}", u"ab", 1), "??ab|1\u00E9\u00E9");
  // wchar_t text holds code points here (UTF-16 on Windows).
  KVFormatterT<char16_t> formatter;
  char16_t buffer[8];
  formatter.SetBuffer(buffer, 8);
  KVFormatSpec spec;
  spec.width = 4;
  formatter.WriteString(L"\U0001F600", spec);
  formatter.WriteString(static_cast<const wchar_t*>(nullptr), KVFormatSpec{});
  EXPECT_EQ(formatter.Count(), 4U + 11U);
  EXPECT_TRUE(std::u16string(buffer, 8) == u"  \U0001F600<<nu");
}

TEST_F(FormatterTest, SinkMeasuresWritesAndCuts) {
  // Measuring and writing give the same length; the write pass fills exactly length + 1.
  const char16_t* format = u"{:>300}|{:#x}|{:,.3}|{}";
  KVFormatterT<char16_t> formatter;
  const std::size_t length = formatter.Format(format, u"end", 26, 1234.5, "narrow");
  EXPECT_EQ(length, 300U + 1 + 10 + 1 + 9 + 1 + 6);
  std::u16string text(length + 1, u'#');
  formatter.SetBuffer(text.data(), length + 1);
  EXPECT_EQ(formatter.Format(format, u"end", 26, 1234.5, "narrow"), length);
  EXPECT_EQ(text[length], u'\0');
  EXPECT_EQ(Utf16ToUtf8(text.substr(297, length - 297)), "end|0x0000001a|1,234.500|narrow");

  // A short buffer keeps what fits and stays terminated; the full length is still returned.
  char small[4];
  EXPECT_EQ(KVFormatTo(small, sizeof(small), "abc{}", "def"), 6U);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(KVFormatTo<char>(nullptr, 0, "{}", 12345), 5U);
  char none[1] = {'x'};
  EXPECT_EQ(KVFormatTo(none, 0, "{}", 1), 1U);
  EXPECT_EQ(none[0], 'x');

  // Successive calls append; each returns its own length and SetBuffer starts over.
  char buffer[16];
  KVFormatterT<char> chained;
  chained.SetBuffer(buffer, sizeof(buffer));
  EXPECT_EQ(chained.Format("{}-", 12), 3U);
  EXPECT_EQ(chained.Format("{}", "ab"), 2U);
  EXPECT_EQ(chained.Count(), 5U);
  EXPECT_STREQ(buffer, "12-ab");
  EXPECT_TRUE(lines_.empty());
}

TEST_F(FormatterTest, ConvenienceOperations) {
  EXPECT_TRUE(KVFormatDecimal(0) == u"0");
  EXPECT_TRUE(KVFormatDecimal(4294967295U) == u"4294967295");
  EXPECT_TRUE(KVFormatHex32(1603) == u"0x00000643");
  EXPECT_TRUE(KVFormatHex32(0xEE000001) == u"0xEE000001");
  EXPECT_TRUE(KVConcat(u"C:\\dir", u"\\", u"file.msi") == u"C:\\dir\\file.msi");
  EXPECT_TRUE(KVConcat(u"a", u"b") == u"ab");
  EXPECT_EQ(KVFormat("{}", ""), "");
  EXPECT_TRUE(KVFormat(u"plain") == u"plain");
  EXPECT_TRUE(lines_.empty());
}

}  // namespace
