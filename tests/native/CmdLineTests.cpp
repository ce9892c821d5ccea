#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "app/CmdLine.h"
#include "builder/WindowsCommandLine.h"
#include "support/Formatter.h"
#include "support/Text.h"

using namespace kestrova;

namespace {

class CmdLineTest : public ::testing::Test {
 protected:
  KVResult Parse(std::vector<std::u16string> tail) {
    tail.insert(tail.begin(), u"setup.exe");
    return ParseCmdLineArguments(tail, values, capture);
  }
  KVResult ParseRaw(std::u16string_view raw) { return ParseRawCommandLine(raw, SplitCommandLine, values, capture); }
  // The values as "gui internal|command|target|language|logfile|passthrough|tail|[argument]...".
  std::string Values() const {
    std::u16string arguments;
    for (const std::u16string& argument : values.arguments) arguments += u"[" + argument + u"]";
    return KVFormat("{} {}|{}|{}|{}|{}|{}|{}|{}", static_cast<unsigned>(values.gui),
                    static_cast<unsigned>(values.internal), values.command, values.target, values.language,
                    values.logfile, values.passthrough, values.tail, arguments);
  }

  CmdLineData values;
  std::vector<std::string> messages;
  const CmdLineErrorOutput capture = [this](const std::string& message) { messages.push_back(message); };
};

TEST_F(CmdLineTest, OptionsStoreTheirValuesAndOtherElementsAreCollected) {
  EXPECT_EQ(Parse({u"--gui", u"OFF", u"--command", u"x", u"--command", u"repair", u"--internal", u"1", u"extra",
                   u"--target", u"C:\\\u00DCber \u65E5\U0001F600", u"--language", u"de-DE", u"--logfile", u"x.log",
                   u"-1", u"--2", u"-", u"--"}),
            KV_OK);  // the later value wins
  EXPECT_EQ(Values(), u8"2 1|repair|C:\\\u00DCber \u65E5\U0001F600|de-DE|x.log|||[extra][-1][--2][-][--]");
  EXPECT_EQ(Parse({u"--gui", u"oN"}), KV_OK);
  EXPECT_EQ(values.gui, CmdLine::SFXGuiMode::On);
  EXPECT_TRUE(messages.empty());
}

TEST_F(CmdLineTest, InvalidValuesReportOnceAndKeepEarlierValues) {
  for (const auto& [tail, message] :
       {std::pair{std::vector<std::u16string>{u"--gui", u"off", u"--internal", u"2", u"--gui", u"on"},
                  "Invalid value 2 for option --internal."},
        {{u"--gui", u"off", u"--gui", u"yes"}, "Invalid value yes for option --gui."}}) {
    values = CmdLineData();
    messages.clear();
    EXPECT_EQ(Parse(tail), KV_E_INVALID_VALUE) << message;
    EXPECT_EQ(messages, std::vector<std::string>{message});
    EXPECT_EQ(Values(), "2 0|||||||") << message;  // parsed before the failure, nothing after it
  }
}

TEST(CmdLineSplit, PassthroughSplitAndTail) {
  // The raw line; what is parsed (null: all of it), what is passed through, and the tail after the program name.
  const std::tuple<std::u16string_view, const char16_t*, std::u16string, std::u16string> cases[] = {
      {u"setup.exe --gui off --passthrough \t/qn REBOOT=0 \r\n", u"setup.exe --gui off ", u"/qn REBOOT=0",
       u"--gui off --passthrough \t/qn REBOOT=0"},
      {u"setup.exe --PASSTHROUGH /qn", nullptr, u"", u"--PASSTHROUGH /qn"},  // case-sensitive
      {u"C:\\passthrough\\setup.exe --gui off", u"C", u"\\setup.exe --gui off", u"--gui off"},  // even in the path
      {u"\"passthrough.exe\" x", u"", u".exe\" x", u"x"},  // too near the start for "--": nothing is parsed
      {u"\"C:\\Program Files\\setup.exe\"  --command install ", nullptr, u"", u"--command install"},
      {u"\"C:\\Program Files\\setup.exe\"--command x", nullptr, u"", u"--command x"},
      {u"C:\\setup.exe\t--command install", nullptr, u"", u"--command install"},
      {u"\"C:\\unclosed --command x", nullptr, u"", u""},
  };
  for (const auto& [raw, toParse, passthrough, tail] : cases) {
    SCOPED_TRACE(Utf16ToUtf8(raw));
    const PassthroughSplit split = SplitPassthrough(raw);
    EXPECT_EQ(std::tie(split.toParse, split.passthrough), std::make_tuple(toParse ? toParse : raw, passthrough));
    EXPECT_EQ(CommandLineTail(raw), tail);
  }
}

TEST_F(CmdLineTest, RawCommandLine) {
  EXPECT_EQ(ParseRaw(u"\"C:\\Setup.exe\" --gui off word --passthrough /qn ALLUSERS=1 "), KV_OK);
  EXPECT_EQ(Values(), "2 0|||||/qn ALLUSERS=1|--gui off word --passthrough /qn ALLUSERS=1|[word]");
  const auto failing = [](std::u16string_view, std::vector<std::u16string>&) -> KVResult { return 87; };
  EXPECT_EQ(ParseRawCommandLine(u"setup.exe", failing, values, capture), 87u);
  const auto noElement = [](std::u16string_view, std::vector<std::u16string>&) { return KV_OK; };
  EXPECT_EQ(ParseRawCommandLine(u"setup.exe", noElement, values, capture), KV_E_FAIL);  // and no message
  EXPECT_EQ(ParseRaw(u"setup.exe --gui off --target"), KV_E_MISSING_VALUE);
  EXPECT_EQ(messages, std::vector<std::string>{"Missing value for option --target."});
  ::testing::internal::CaptureStderr();  // by default a message is a line on standard error
  EXPECT_EQ(ParseRawCommandLine(u"setup.exe --x", SplitCommandLine, values), KV_E_UNKNOWN_OPTION);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Unknown option --x.\n");
}

}  // namespace

// kvsfx plan joins the installer's arguments as CreateProcess would receive them and splits them as the installer
// does (CommandLineToArgvW): every vector comes back unchanged, and raw lines split by its rules.
TEST(WindowsCommandLine, JoinsAndSplitsAsWindowsDoes) {
  using Arguments = std::vector<std::u16string>;
  for (const Arguments& arguments : {Arguments{}, Arguments{u"/qn"}, Arguments{u"/l*v C:\\msi.log", u""},
                                     Arguments{u"PROP=\"x y\"", u"a\\\\", u"b\\\"c", u"\t"}}) {
    Arguments back;
    ASSERT_EQ(SplitCommandLine(JoinCommandLine(u"C:\\my dir\\setup.exe", arguments), back), KV_OK);
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back.front(), u"C:\\my dir\\setup.exe");
    EXPECT_EQ(Arguments(back.begin() + 1, back.end()), arguments);
  }
  const std::pair<const char16_t*, Arguments> raw[] = {
      {u"a\\b.exe x\\\\\"y z\" \"p\"\"q\" r\\s", {u"a\\b.exe", u"x\\y z", u"p\"q", u"r\\s"}},
      {u"x.exe  \"open", {u"x.exe", u"open"}},
  };
  for (const auto& [text, expected] : raw) {
    Arguments back;
    SplitCommandLine(text, back);
    EXPECT_EQ(back, expected) << Utf16ToUtf8(text);
  }
}
