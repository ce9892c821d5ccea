#include <gtest/gtest.h>

#include <algorithm>

#include "app/CmdLine.h"

using namespace kestrova;

namespace {

// Blank-separated elements; enough for these lines, which quote nothing but the program path.
KVResult SplitAtBlanks(std::u16string_view text, std::vector<std::u16string>& arguments) {
  for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
    end = std::min(text.find(u' ', start), text.size());
    if (end > start) arguments.emplace_back(text.substr(start, end - start));
  }
  return KV_OK;
}

class CmdLineTest : public ::testing::Test {
 protected:
  KVResult Parse(std::vector<std::u16string> tail) {
    tail.insert(tail.begin(), u"setup.exe");
    return ParseCmdLineArguments(tail, values, Capture());
  }
  KVResult ParseRaw(std::u16string_view raw) { return ParseRawCommandLine(raw, SplitAtBlanks, values, Capture()); }
  CmdLineErrorOutput Capture() {
    return [this](const std::string& message) { messages.push_back(message); };
  }

  CmdLineData values;
  std::vector<std::string> messages;
};

TEST_F(CmdLineTest, NoArgumentsLeaveTheDefaults) {
  EXPECT_EQ(Parse({}), KV_OK);
  EXPECT_EQ(values.gui, CmdLine::GuiNotGiven);
  EXPECT_EQ(values.internal, CmdLine::InternalNone);
  EXPECT_TRUE(values.command.empty() && values.target.empty() && values.language.empty() &&
              values.logfile.empty() && values.arguments.empty() && messages.empty());
}

TEST_F(CmdLineTest, EveryOptionStoresItsValue) {
  EXPECT_EQ(Parse({u"--gui", u"OFF", u"--command", u"repair", u"--internal", u"1", u"--target",
                   u"C:\\\u00DCber \u65E5\U0001F600", u"--language", u"de-DE", u"--logfile", u"x.log"}),
            KV_OK);
  EXPECT_EQ(values.gui, CmdLine::GuiOff);
  EXPECT_EQ(values.internal, CmdLine::InternalRelaunch);
  EXPECT_EQ(values.command, u"repair");
  EXPECT_EQ(values.target, u"C:\\\u00DCber \u65E5\U0001F600");  // through UTF-8 and back
  EXPECT_EQ(values.language, u"de-DE");
  EXPECT_EQ(values.logfile, u"x.log");
  EXPECT_EQ(Parse({u"--gui", u"oN", u"--command", u"a", u"--command", u"b"}), KV_OK);
  EXPECT_EQ(values.gui, CmdLine::GuiOn);
  EXPECT_EQ(values.command, u"b");
}

TEST_F(CmdLineTest, PositionalArgumentsAreCollected) {
  EXPECT_EQ(Parse({u"extra", u"-1", u"--2", u"-", u"--"}), KV_OK);
  EXPECT_EQ(values.arguments, (std::vector<std::u16string>{u"extra", u"-1", u"--2", u"-", u"--"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(CmdLineTest, FailuresReportOnceAndKeepEarlierValues) {
  struct Case {
    std::vector<std::u16string> tail;
    KVResult code;
    const char* message;
  };
  const Case cases[] = {
      {{u"--gui", u"off", u"--GUI", u"on"}, KV_E_UNKNOWN_OPTION, "Unknown option --GUI."},
      {{u"--gui", u"off", u"-gui", u"on"}, KV_E_UNKNOWN_OPTION, "Unknown option -gui."},
      {{u"--gui", u"off", u"--gui=on"}, KV_E_UNKNOWN_OPTION, "Unknown option --gui=on."},
      {{u"--gui", u"off", u"--gui"}, KV_E_MISSING_VALUE, "Missing value for option --gui."},
      {{u"--gui", u"off", u"--internal", u"2", u"--gui", u"on"}, KV_E_INVALID_VALUE,
       "Invalid value 2 for option --internal."},
      {{u"--gui", u"off", u"--gui", u"yes"}, KV_E_INVALID_VALUE, "Invalid value yes for option --gui."},
  };
  for (const Case& c : cases) {
    values = CmdLineData();
    messages.clear();
    EXPECT_EQ(Parse(c.tail), c.code) << c.message;
    EXPECT_EQ(messages, std::vector<std::string>{c.message});
    EXPECT_EQ(values.gui, CmdLine::GuiOff) << c.message;  // parsed before the failure, nothing after it
  }
}

TEST(CmdLineSplit, PassthroughSplit) {
  PassthroughSplit split = SplitPassthrough(u"setup.exe --gui off --passthrough \t/qn REBOOT=0 \r\n");
  EXPECT_EQ(split.toParse, u"setup.exe --gui off ");
  EXPECT_EQ(split.passthrough, u"/qn REBOOT=0");

  split = SplitPassthrough(u"setup.exe --PASSTHROUGH /qn");  // case-sensitive
  EXPECT_EQ(split.toParse, u"setup.exe --PASSTHROUGH /qn");
  EXPECT_EQ(split.passthrough, u"");

  split = SplitPassthrough(u"C:\\passthrough\\setup.exe --gui off");  // anywhere, even in the program path
  EXPECT_EQ(split.toParse, u"C");
  EXPECT_EQ(split.passthrough, u"\\setup.exe --gui off");

  EXPECT_EQ(SplitPassthrough(u"\"passthrough.exe\" x").toParse, u"");
  EXPECT_EQ(SplitPassthrough(u"passthrough").passthrough, u"");
}

TEST(CmdLineSplit, TailFollowsTheProgramNameAsWritten) {
  EXPECT_EQ(CommandLineTail(u"\"C:\\Program Files\\setup.exe\"  --command install "), u"--command install");
  EXPECT_EQ(CommandLineTail(u"\"C:\\Program Files\\setup.exe\"--command x"), u"--command x");
  EXPECT_EQ(CommandLineTail(u"C:\\setup.exe\t--command install"), u"--command install");
  EXPECT_EQ(CommandLineTail(u"setup.exe"), u"");
  EXPECT_EQ(CommandLineTail(u"\"C:\\unclosed --command x"), u"");
}

TEST_F(CmdLineTest, RawCommandLineEndToEnd) {
  EXPECT_EQ(ParseRaw(u"\"C:\\Setup.exe\" --gui off word --passthrough /qn ALLUSERS=1 "), KV_OK);
  EXPECT_EQ(values.gui, CmdLine::GuiOff);
  EXPECT_EQ(values.arguments, std::vector<std::u16string>{u"word"});
  EXPECT_EQ(values.passthrough, u"/qn ALLUSERS=1");
  EXPECT_EQ(values.tail, u"--gui off word --passthrough /qn ALLUSERS=1");

  values = CmdLineData();  // what follows a "passthrough" inside the program path is not parsed
  EXPECT_EQ(ParseRaw(u"D:\\passthrough\\setup.exe --gui bogus"), KV_OK);
  EXPECT_EQ(values.gui, CmdLine::GuiNotGiven);
  EXPECT_EQ(values.passthrough, u"\\setup.exe --gui bogus");
  EXPECT_EQ(values.tail, u"--gui bogus");
}

TEST_F(CmdLineTest, RawCommandLineFailures) {
  EXPECT_EQ(ParseRaw(u"  "), KV_E_FAIL);  // no elements: no message
  EXPECT_TRUE(messages.empty());
  const auto failing = [](std::u16string_view, std::vector<std::u16string>&) -> KVResult { return 87; };
  EXPECT_EQ(ParseRawCommandLine(u"setup.exe", failing, values, Capture()), 87u);
  EXPECT_EQ(ParseRaw(u"setup.exe --gui off --target"), KV_E_MISSING_VALUE);
  EXPECT_EQ(values.gui, CmdLine::GuiOff);
  EXPECT_EQ(messages, std::vector<std::string>{"Missing value for option --target."});
}

TEST(CmdLineErrorOutput, DefaultWritesALineToStandardError) {
  ::testing::internal::CaptureStderr();
  WriteCmdLineErrorToStderr("Unknown option --x.");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Unknown option --x.\n");
}

}  // namespace
