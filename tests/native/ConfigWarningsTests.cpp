#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "builder/ConfigWarnings.h"
#include "config/SimulatedSystemFacts.h"
#include "tests/native/CfgTestDocuments.h"

using kestrova::ConfigDocument;
using kestrova::ConfigFinding;

namespace {

// The warnings of a document that reads on the machine the check reads on.
std::vector<ConfigFinding> FindConfigWarnings(const std::string& text) {
  const ConfigDocument document(text);
  Cfg cfg;
  SimulatedSystemFacts facts;
  facts.windowsVersion = WindowsVersion::W11_23H2;
  if (ReadConfiguration(cfg, text, facts).code != kestrova::KV_OK) return {};
  return kestrova::FindConfigWarnings(document, cfg);
}

const std::string kOption = "SelfExtractor/Launch/Options/Option/";

std::string Process(const std::string& executable, const std::string& arguments = "") {
  return "<CreateProcess><Executable>" + executable + "</Executable>" +
         (arguments.empty() ? "" : "<Arguments>" + arguments + "</Arguments>") + "</CreateProcess>";
}

// A sequence command "seq" with these SubCommand contents, and a runnable command "run".
std::string Sequence(const std::vector<std::string>& steps, const std::string& more = "") {
  std::string commands = "<Command Id='seq'><CommandSequence>";
  for (const std::string& step : steps) commands += "<SubCommand>" + step + "</SubCommand>";
  return CommandsDocument(commands + "</CommandSequence></Command><Command Id='run'>" + Process("a.exe") +
                          "</Command>" + more + "<DefaultCommand>seq</DefaultCommand>");
}

// A step running "run" whose exit code goes to `resultName`.
std::string Step(const std::string& resultName, const std::string& before = "", const std::string& after = "") {
  return (before.empty() ? "" : "<BeforeCommand>" + before + "</BeforeCommand>") + "<Command Id='run' ResultName='" +
         resultName + "'/>" + (after.empty() ? "" : "<AfterCommand>" + after + "</AfterCommand>");
}

std::string Compare(const std::string& parameter, const std::string& actions = "", const char* type = "IfEqual") {
  return std::string("<") + type + " Parameter='" + parameter + "' Value='0'>" + actions + "</" + type + ">";
}

struct Expected {
  std::string path;  // after "SelfExtractor/Launch/Options/Option/"
  std::string attribute;
  std::string fragment;  // part of the text
};

struct Case {
  const char* name;
  std::string document;
  std::vector<Expected> expected;  // in document order
};

void ExpectWarnings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const std::vector<ConfigFinding> warnings = FindConfigWarnings(c.document);
    ASSERT_EQ(warnings.size(), c.expected.size()) << c.name << "\n" << c.document;
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(warnings[i].elementPath, kOption + c.expected[i].path) << c.name;
      EXPECT_EQ(warnings[i].attribute, c.expected[i].attribute) << c.name;
      EXPECT_NE(warnings[i].text.find(c.expected[i].fragment), std::string::npos) << c.name << ": " << warnings[i].text;
    }
  }
}

const std::string kSeq = "Commands/Command[1]/CommandSequence/";
const char kQuoted[] = "holds double quotes";
const char kFalse[] = "always false";

TEST(ConfigWarnings, QuotedExecutableOfCreateProcess) {
  const auto command = [](const std::string& body) {
    return CommandsDocument("<Command Id='a'>" + body + "</Command>");
  };
  ExpectWarnings({
      {"plain path with blanks", command(Process("${TargetPath}\\my setup.exe")), {}},
      {"quoted path", command(Process("\"${TargetPath}\\setup.exe\"")),
       {{"Commands/Command/CreateProcess/Executable", "", kQuoted}}},
      {"quotes in Arguments are fine", command(Process("a.exe", "/i \"x.msi\"")), {}},
      {"ShellExecute", command("<ShellExecute><Executable>\"a.exe\"</Executable></ShellExecute>"), {}},
      {"defined in a step", Sequence({"<Command Id='x'>" + Process("\"x.exe\"") + "</Command>"}),
       {{kSeq + "SubCommand/Command/CreateProcess/Executable", "", kQuoted}}},
      {"referenced by a step: once, where it is defined",
       Sequence({"<Command Id='q'/>"}, "<Command Id='q'>" + Process("\"q.exe\"") + "</Command>"),
       {{"Commands/Command[3]/CreateProcess/Executable", "", kQuoted}}},
  });
}

TEST(ConfigWarnings, ResultNameTwiceInOneSequence) {
  ExpectWarnings({
      {"different names", Sequence({Step("A"), Step("B"), Step("a")}), {}},
      {"second use", Sequence({Step("A"), Step("B"), Step("A")}),
       {{kSeq + "SubCommand[3]/Command", "ResultName", "ResultName \"A\" is already the ResultName of SubCommand[1]"}}},
      {"compared trimmed", Sequence({Step(" A"), Step("A ")}),
       {{kSeq + "SubCommand[2]/Command", "ResultName", "0xEE000051"}}},
      {"every further use", Sequence({Step("A"), Step("A"), Step("A")}),
       {{kSeq + "SubCommand[2]/Command", "ResultName", "SubCommand[1]"},
        {kSeq + "SubCommand[3]/Command", "ResultName", "SubCommand[1]"}}},
      {"steps without one", Sequence({Step(""), Step("")}), {}},
      {"two sequences",
       CommandsDocument("<Command Id='s1'><CommandSequence><SubCommand>" + Step("A") + "</SubCommand>"
                        "</CommandSequence></Command><Command Id='s2'><CommandSequence><SubCommand>" + Step("A") +
                        "</SubCommand></CommandSequence></Command><Command Id='run'/>"
                        "<DefaultCommand>s1</DefaultCommand>"),
       {}},
  });
}

TEST(ConfigWarnings, ConditionOnAParameterThatNothingSetsBefore) {
  const std::string set = "<IfTrue><Set Parameter='S' Value='1'/></IfTrue>";
  const std::string message = "<IfFalse><Message ResultType='YesNo' ResultName='Answer'>Go on?</Message></IfFalse>";
  ExpectWarnings({
      {"the built-in exit code", Sequence({Step("R", Compare("SfxExitCode"))}), {}},
      {"its own ResultName before the command", Sequence({Step("R", Compare("R"), Compare("R"))}), {}},
      {"an earlier step's ResultName", Sequence({Step("A"), Step("B", Compare("A", "", "IfLess"))}), {}},
      {"a later step's ResultName", Sequence({Step("A", Compare("B", "", "IfGreaterEqual")), Step("B")}),
       {{kSeq + "SubCommand[1]/BeforeCommand/IfGreaterEqual", "Parameter", "IfGreaterEqual tests \"B\""}}},
      {"nothing at all", Sequence({Step("R", "", Compare("Reslt"))}),
       {{kSeq + "SubCommand/AfterCommand/IfEqual", "Parameter", kFalse}}},
      {"other letter case", Sequence({Step("Result", "", Compare("result"))}),
       {{kSeq + "SubCommand/AfterCommand/IfEqual", "Parameter", "did you mean \"Result\"?"}}},
      {"blanks around the name", Sequence({Step("Result", "", Compare(" Result"))}),
       {{kSeq + "SubCommand/AfterCommand/IfEqual", "Parameter", "did you mean \"Result\"?"}}},
      {"Set before the command, tested after it", Sequence({Step("R", Compare("R", set), Compare("S"))}), {}},
      {"Message ResultName in an earlier step",
       Sequence({Step("A", "", Compare("A", message)), Step("B", Compare("Answer"))}), {}},
      {"SkipCommand and Abort are parameters",
       Sequence({Step("A", Compare("A", "<IfTrue><SkipCommand/></IfTrue>"),
                      Compare("SkipCommand", "<IfTrue><Abort/></IfTrue>")),
                 Step("B", Compare("Abort"))}),
       {}},
      {"earlier child of IfAll",
       Sequence({Step("R", "<IfAll>" + Compare("R", set) + Compare("S", "", "IfNotEqual") + "</IfAll>")}), {}},
      {"later child of IfAny",
       Sequence({Step("R", "<IfAny>" + Compare("S", "", "IfNotEqual") + Compare("R", set) + "</IfAny>")}),
       {{kSeq + "SubCommand/BeforeCommand/IfAny/IfNotEqual", "Parameter", kFalse}}},
      {"the combination's own actions run after its children",
       Sequence({Step("R", "<IfAll>" + Compare("S") + "<IfTrue><Set Parameter='S' Value='1'/></IfTrue></IfAll>")}),
       {{kSeq + "SubCommand/BeforeCommand/IfAll/IfEqual", "Parameter", kFalse}}},
      {"a comparison's own actions run after its test", Sequence({Step("R", Compare("S", set))}),
       {{kSeq + "SubCommand/BeforeCommand/IfEqual", "Parameter", kFalse}}},
      {"nested combinations and positions",
       Sequence({Step("R", "<IfAny>" + Compare("R") + "<IfAll>" + Compare("X") + Compare("R", set) + Compare("S") +
                               "</IfAll>" + Compare("Y") + "</IfAny>")}),
       {{kSeq + "SubCommand/BeforeCommand/IfAny/IfAll/IfEqual[1]", "Parameter", "\"X\""},
        {kSeq + "SubCommand/BeforeCommand/IfAny/IfEqual[2]", "Parameter", "\"Y\""}}},
  });
}

TEST(ConfigWarnings, LanguageTags) {
  const auto tags = [](const std::vector<std::string>& set) { return LaunchDocument(OptionElement("o", TagSet(set))); };
  const std::string tag = "LanguageTagSet/LanguageTag";
  const char malformed[] = "is not a well-formed tag, so no user's language ever equals it";
  ExpectWarnings({
      {"well-formed", tags({"en-US", "de", "zh-Hant-TW", "sr-Latn-RS", "fil-PH"}), {}},
      {"an underscore", tags({"en_US"}), {{tag, "", "did you mean \"en-US\"?"}}},
      {"a one-letter language", tags({"e-US"}), {{tag, "", malformed}}},
      {"a word", tags({"english"}), {{tag, "", malformed}}},
      {"an empty part", tags({"en-"}), {{tag, "", malformed}}},
      {"a part too long", tags({"en-toolongpart"}), {{tag, "", malformed}}},
      {"a digit first", tags({"1a-US"}), {{tag, "", malformed}}},
  });
}

}  // namespace
