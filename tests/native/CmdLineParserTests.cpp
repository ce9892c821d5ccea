#include <gtest/gtest.h>

#include "support/CmdLineParser.h"

using namespace kestrova;

namespace {
struct Digit {
  int value = -1;
};
}  // namespace

// A conversion that can fail, with a code of its own.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<Digit>(Digit& target, const std::string& text) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return KV_E_OUT_OF_RANGE;
  target.value = text[0] - '0';
  return KV_OK;
}

namespace {

class CmdLineParserTest : public ::testing::Test {
 protected:
  CmdLineParserTest() {
    parser.SetErrorOutput([this](const std::string& message) { messages.push_back(message); });
    parser.AddOption({"", "name", false}, name, &nameSeen);
    parser.AddOption({"d", "digit", false}, digit);
  }
  KVResult Parse(std::vector<std::string> tail) {
    tail.insert(tail.begin(), "prog");
    return parser.Parse(tail);
  }

  KVCmdLineParser parser;
  std::vector<std::string> messages;
  std::string name;
  bool nameSeen = false;
  Digit digit;
};

TEST(CmdLineParserStatic, OptionLikeElements) {
  for (const char* element : {"-a", "-Z", "--a", "--name", "-a=b"})
    EXPECT_TRUE(KVCmdLineParser::IsOptionLike(element)) << element;
  for (const char* element : {"", "-", "--", "-1", "--1", "---a", "a-b", "-\xC3\xA9"})
    EXPECT_FALSE(KVCmdLineParser::IsOptionLike(element)) << element;
}

TEST_F(CmdLineParserTest, MatchesLongNameAfterTwoHyphensAndShortNameAfterOne) {
  EXPECT_EQ(Parse({"--name", "a", "-d", "3", "--digit", "4", "--name", "--digit"}), KV_OK);
  EXPECT_EQ(parser.ProgramName(), "prog");
  EXPECT_EQ(name, "--digit");  // the value element is taken as it is; the later value wins
  EXPECT_EQ(digit.value, 4);
  EXPECT_TRUE(nameSeen);
  EXPECT_TRUE(messages.empty());

  for (const char* element : {"-name", "-digit", "--d", "--n{}"}) {
    messages.clear();
    EXPECT_EQ(Parse({element}), KV_E_UNKNOWN_OPTION) << element;
    EXPECT_EQ(messages, std::vector<std::string>{"Unknown option " + std::string(element) + "."});
  }
}

TEST_F(CmdLineParserTest, InvalidValueReturnsTheConversionsCode) {
  EXPECT_EQ(Parse({"--name", "b", "-d", "12", "--name", "c"}), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(messages, std::vector<std::string>{"Invalid value 12 for option -d."});
  EXPECT_EQ(name, "b");
  EXPECT_EQ(digit.value, -1);
}

TEST_F(CmdLineParserTest, IgnoredUnknownOptionIsReportedAndItsValueBecomesPositional) {
  std::vector<std::string> narrow;
  std::vector<std::u16string> wide;
  parser.SetNarrowCollector(&narrow);  // takes precedence over the wide one
  parser.SetWideCollector(&wide);
  parser.SetIgnoreUnknownOptions(true);
  EXPECT_EQ(Parse({"--size", "9", "--name", "a"}), KV_OK);
  EXPECT_EQ(messages, std::vector<std::string>{"Ignoring unknown option --size."});
  EXPECT_EQ(narrow, std::vector<std::string>{"9"});
  EXPECT_TRUE(wide.empty());
}

TEST_F(CmdLineParserTest, PositionalsFillInOrderThenGoToACollector) {
  Digit first;
  std::string second;
  std::string flag = "unset";
  bool secondSeen = false;
  parser.AddArgument(first, true);
  parser.AddArgument(second, false, &secondSeen);
  parser.AddOption(std::make_unique<KVCmdLineParser::Option<std::string>>("", "flag", false, flag, false));
  std::vector<std::u16string> wide;
  parser.SetWideCollector(&wide);
  EXPECT_EQ(Parse({"7", "--flag", "-1", "\xE6\x97\xA5", "x"}), KV_OK);  // a switch takes no value
  EXPECT_EQ(flag, "");
  EXPECT_EQ(first.value, 7);
  EXPECT_EQ(second, "-1");
  EXPECT_TRUE(secondSeen);
  EXPECT_EQ(wide, (std::vector<std::u16string>{u"\u65E5", u"x"}));
}

TEST_F(CmdLineParserTest, PositionalFailures) {
  Digit first;
  parser.AddArgument(first, true);
  EXPECT_EQ(Parse({"x"}), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(Parse({"1", "2"}), KV_E_UNEXPECTED_ARGUMENT);
  EXPECT_EQ(messages, (std::vector<std::string>{"Invalid argument x.", "Unexpected argument 2."}));

  KVCmdLineParser lenient;
  lenient.SetIgnoreUnexpectedArguments(true);
  EXPECT_EQ(lenient.Parse({"prog", "3"}), KV_OK);
}

TEST_F(CmdLineParserTest, RequiredArgumentsAreCheckedAfterTheLastElement) {
  std::string required;
  parser.AddOption({"r", "req", true}, required);
  EXPECT_EQ(Parse({}), KV_E_MISSING_OPTION);
  Digit positional;
  parser.AddArgument(positional, true);
  EXPECT_EQ(Parse({}), KV_E_MISSING_ARGUMENT);  // checked before the options
  EXPECT_EQ(messages, (std::vector<std::string>{"Missing required option r (req).", "Missing argument."}));
}

}  // namespace
