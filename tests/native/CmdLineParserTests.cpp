#include <gtest/gtest.h>

#include <tuple>

#include "support/CmdLineParser.h"

using namespace kestrova;
using Strings = std::vector<std::string>;

namespace {
struct Digit { int value = -1; };
}  // namespace

// A conversion that can fail, with a code of its own.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<Digit>(Digit& target, const std::string& text) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return KV_E_OUT_OF_RANGE;
  target.value = text[0] - '0';
  return KV_OK;
}

namespace {

// The options --name (with a seen flag) and -d/--digit; the messages are collected.
class CmdLineParserTest : public ::testing::Test {
 protected:
  CmdLineParserTest() {
    parser.SetErrorOutput([this](const std::string& message) { messages.push_back(message); });
    parser.AddOption({"", "name", false}, name, &nameSeen);
    parser.AddOption({"d", "digit", false}, digit);
  }
  KVResult Parse(Strings tail) {
    tail.insert(tail.begin(), "prog");
    return parser.Parse(tail);
  }

  KVCmdLineParser parser;
  Strings messages;
  std::string name;
  bool nameSeen = false;
  Digit digit;
};

TEST(CmdLineParserStatic, OptionLikeElements) {
  for (const char* yes : {"-a", "-Z", "--a", "-a=b"}) EXPECT_TRUE(KVCmdLineParser::IsOptionLike(yes)) << yes;
  for (const char* no : {"", "-", "--", "-1", "--1", "---a", "a-b", "-\xC3\xA9"})
    EXPECT_FALSE(KVCmdLineParser::IsOptionLike(no)) << no;
}

TEST_F(CmdLineParserTest, MatchesLongNameAfterTwoHyphensAndShortNameAfterOne) {
  // The value element is taken as it is; the later value wins.
  EXPECT_EQ(Parse({"--name", "a", "-d", "3", "--digit", "4", "--name", "--digit"}), KV_OK);
  EXPECT_EQ(std::tie(parser.ProgramName(), name, digit.value, nameSeen, messages),
            std::make_tuple("prog", "--digit", 4, true, Strings{}));
}

TEST_F(CmdLineParserTest, FailuresStopAtTheElementAndReportOnce) {
  const std::tuple<Strings, KVResult, std::string> cases[] = {
      {{"-digit"}, KV_E_UNKNOWN_OPTION, "Unknown option -digit."},
      {{"--d"}, KV_E_UNKNOWN_OPTION, "Unknown option --d."},
      {{"--n{}"}, KV_E_UNKNOWN_OPTION, "Unknown option --n{}."},
      {{"--name", "b", "--NAME", "c"}, KV_E_UNKNOWN_OPTION, "Unknown option --NAME."},
      {{"--name", "b", "--name=c"}, KV_E_UNKNOWN_OPTION, "Unknown option --name=c."},
      {{"--name", "b", "--name"}, KV_E_MISSING_VALUE, "Missing value for option --name."},
      {{"--name", "b", "-d", "12", "--name", "c"}, KV_E_OUT_OF_RANGE, "Invalid value 12 for option -d."},
      {{"1"}, KV_E_UNEXPECTED_ARGUMENT, "Unexpected argument 1."},
  };
  for (const auto& [tail, code, message] : cases) {
    name.clear();
    messages.clear();
    EXPECT_EQ(Parse(tail), code) << message;  // an invalid value returns the conversion's code
    EXPECT_EQ(messages, Strings{message});
    EXPECT_EQ(name, tail[0] == "--name" ? "b" : "") << message;  // kept from before the failure, nothing after
  }
}

TEST_F(CmdLineParserTest, PositionalsFillInOrderThenGoToACollector) {
  Digit first;
  std::string second, flag = "unset";
  bool secondSeen = false;
  Strings narrow;
  std::vector<std::u16string> wide;
  parser.AddArgument(first, true);
  parser.AddArgument(second, false, &secondSeen);
  parser.AddOption(std::make_unique<KVCmdLineParser::Option<std::string>>("", "flag", false, flag, false));
  parser.SetWideCollector(&wide);
  EXPECT_EQ(Parse({"7", "--flag", "-1", "\xE6\x97\xA5", "x"}), KV_OK);  // a switch takes no value
  EXPECT_EQ(std::tie(flag, first.value, second, secondSeen, wide),
            std::make_tuple("", 7, "-1", true, std::vector<std::u16string>{u"\u65E5", u"x"}));
  // An ignored unknown option is reported and its value collected, by the narrow collector when there is one.
  parser.SetNarrowCollector(&narrow);
  parser.SetIgnoreUnknownOptions(true);
  EXPECT_EQ(Parse({"--size", "9", "--name", "a"}), KV_OK);
  EXPECT_EQ(std::tie(messages, narrow, name, first.value),
            std::make_tuple(Strings{"Ignoring unknown option --size."}, Strings{"9"}, "a", 7));
  EXPECT_EQ(wide.size(), 2u);
}

TEST_F(CmdLineParserTest, PositionalFailuresAndRequiredArguments) {
  Digit first;
  std::string required;
  parser.AddArgument(first, true);
  parser.AddOption({"r", "req", true}, required);
  EXPECT_EQ(Parse({}), KV_E_MISSING_ARGUMENT);  // checked before the options
  EXPECT_EQ(Parse({"x"}), KV_E_OUT_OF_RANGE);
  EXPECT_EQ(Parse({"1"}), KV_E_MISSING_OPTION);  // checked after the last element
  EXPECT_EQ(messages, (Strings{"Missing argument.", "Invalid argument x.", "Missing required option r (req)."}));
  KVCmdLineParser lenient;
  lenient.SetIgnoreUnexpectedArguments(true);
  EXPECT_EQ(lenient.Parse({"prog", "3"}), KV_OK);
}

}  // namespace
