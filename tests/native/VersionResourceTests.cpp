// The version resource of kvsfx build: version numbers, the defaults of the options, the size limits, and reading
// back what is written and what is damaged. (That Windows reads it is checked under Wine: kvsfx-resource-check.)
#include <gtest/gtest.h>

#include "builder/VersionResource.h"

using namespace kestrova;

namespace {

using Strings = std::vector<std::pair<std::u16string, std::u16string>>;

std::u16string Value(const VersionInfo& info, const std::u16string& name) {
  for (const auto& [n, v] : info.strings) {
    if (n == name) return v;
  }
  return u"(absent)";
}

}  // namespace

TEST(VersionResource, ParsesOneToFourNumbersUpTo65535) {
  const struct {
    const char* text;
    VersionNumber expected;
    const char* refusal;  // a part of the message, or null
  } cases[] = {
      {"7", {7, 0, 0, 0}, nullptr},
      {"1.2", {1, 2, 0, 0}, nullptr},
      {"65535.0.10.0004", {65535, 0, 10, 4}, nullptr},
      {"65536", {}, "at most 65535"},
      {"1.99999999999999999999", {}, "at most 65535"},
      {"", {}, "one to four numbers"},
      {"1.2.3.4.5", {}, "one to four numbers"},
      {"1.", {}, "one to four numbers"},
      {"1.2-beta", {}, "one to four numbers"},
  };
  for (const auto& c : cases) {
    VersionNumber number;
    std::string error;
    const KVResult r = ParseVersionNumber(c.text, number, error);
    if (c.refusal == nullptr) {
      EXPECT_EQ(r, 0u) << c.text << ": " << error;
      EXPECT_EQ(number, c.expected) << c.text;
    } else {
      EXPECT_NE(r, 0u) << c.text;
      EXPECT_NE(error.find(c.refusal), std::string::npos) << c.text << ": " << error;
    }
  }
}

TEST(VersionResource, FillsWhatTheOptionsLeaveOut) {
  const struct {
    const char* name;
    VersionTexts texts;
    std::u16string description, fileText, productText;
    VersionNumber file, product;
  } cases[] = {
      {"nothing given", {"", "", "", "", "", ""}, u"Contoso Setup", u"0.0.0.0", u"0.0.0.0", {}, {}},
      {"a product version only", {"", "2.1", "", "", "", ""}, u"Contoso Setup", u"2.1", u"2.1", {2, 1, 0, 0}, {2, 1, 0, 0}},
      {"a file version only", {"", "", "3.0.0.7", "", "", ""}, u"Contoso Setup", u"3.0.0.7", u"3.0.0.7", {3, 0, 0, 7}, {3, 0, 0, 7}},
      {"both, and a description", {"", "2.1", "2.1.0.77", "", "Tools", ""}, u"Tools", u"2.1.0.77", u"2.1", {2, 1, 0, 77},
       {2, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    VersionInfo info;
    std::string error;
    ASSERT_EQ(MakeVersionInfo(c.texts, "Contoso Setup", "setup.exe", 0, info, error), 0u) << c.name << ": " << error;
    EXPECT_EQ(Value(info, u"FileDescription"), c.description) << c.name;
    EXPECT_EQ(Value(info, u"FileVersion"), c.fileText) << c.name;
    EXPECT_EQ(Value(info, u"ProductVersion"), c.productText) << c.name;
    EXPECT_EQ(info.fileVersion, c.file) << c.name;
    EXPECT_EQ(info.productVersion, c.product) << c.name;
    EXPECT_EQ(Value(info, u"OriginalFilename"), u"setup.exe") << c.name;
    EXPECT_EQ(Value(info, u"InternalName"), u"setup.exe") << c.name;
    EXPECT_EQ(Value(info, u"CompanyName"), u"(absent)") << c.name;  // not given: not written
  }
}

TEST(VersionResource, RefusesWhatItCannotWrite) {
  const std::string tooLong(33000, 'x');
  const std::string longish(9000, 'y');
  const struct {
    const char* name;
    VersionTexts texts;
    const char* message;
  } cases[] = {
      {"a part above 65535", {"", "", "1.70000", "", "", ""}, "--file-version: '1.70000': each part"},
      {"a product version that is no number", {"", "1.0 beta", "", "", "", ""}, "--product-version: '1.0 beta' is not a version"},
      {"text that is not UTF-8", {"", "", "", "Contoso \xC3", "", ""}, "--company: the text is not valid UTF-8"},
      {"one text too long", {"", "", "", tooLong, "", ""}, "CompanyName is 33000 characters long"},
      {"texts too long together", {longish, "", "", longish, longish, longish}, "too long together"},
  };
  for (const auto& c : cases) {
    VersionInfo info;
    Bytes data;
    std::string error;
    KVResult r = MakeVersionInfo(c.texts, "Setup", "setup.exe", 0, info, error);
    if (r == 0) r = EncodeVersionResource(info, data, error);
    EXPECT_NE(r, 0u) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }
}

TEST(VersionResource, ReadsBackWhatItWritesAndRefusesDamage) {
  VersionInfo info;
  info.fileVersion = {1, 2, 3, 4};
  info.productVersion = {1, 2, 0, 0};
  info.fileDate = 0x01D9E8F1'23456789;
  info.strings = {{u"CompanyName", u"Contoso Ltd."}, {u"ProductName", u"Tools \u00e9"}, {u"Comments", u""}};
  Bytes data;
  std::string error;
  ASSERT_EQ(EncodeVersionResource(info, data, error), 0u) << error;
  EXPECT_EQ(data.size() % 4, 0u);
  VersionInfo read;
  ASSERT_EQ(DecodeVersionResource(data, read, error), 0u) << error;
  EXPECT_EQ(read.fileVersion, info.fileVersion);
  EXPECT_EQ(read.productVersion, info.productVersion);
  EXPECT_EQ(read.fileDate, info.fileDate);
  EXPECT_EQ(read.strings, info.strings);

  const struct {
    const char* name;
    std::size_t offset;
    std::uint16_t value;
  } damage[] = {
      {"root longer than the data", 0, 0xFFF0},
      {"root shorter than its header", 0, 4},
      {"a child longer than its parent", 92, 0x7000},  // StringFileInfo, behind the 92 bytes of the root's head
      {"no fixed-part signature", 40, 0},
  };
  for (const auto& d : damage) {
    Bytes bad = data;
    Put16(bad, d.offset, d.value);
    EXPECT_NE(DecodeVersionResource(bad, read, error), 0u) << d.name;
  }
}
