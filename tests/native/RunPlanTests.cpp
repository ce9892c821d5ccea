#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RunPlan.h"
#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Text.h"
#include "ui/LanguageMgr.h"

using namespace kestrova;

namespace {

class AnyLocale final : public KVLocaleInfo {
 public:
  std::u16string user = u"en-US";
  KVResult GetDisplayNames(const std::u16string& name, std::u16string& english, std::u16string& localized) override {
    english = localized = name;
    return KV_OK;
  }
  KVResult GetUserUiLocaleName(std::u16string& name) override {
    name = user;
    return KV_OK;
  }
};

// Records the dialogs; the language dialog picks `languageChoice`, the folder dialog answers `folderResult`.
class ScriptedInteraction final : public RunInteraction {
 public:
  AnyLocale locales;
  std::u16string languageChoice;
  std::intptr_t folderResult = -1;
  std::u16string folderChoice;
  std::vector<std::string> shown;

  KVLocaleInfo& Locales() override { return locales; }
  void ShowLanguageDialog(LanguageMgr& languages) override {
    shown.push_back("language");
    if (!languageChoice.empty()) languages.SelectByTag(languageChoice);
  }
  std::intptr_t ShowFolderDialog(std::u16string& folder) override {
    shown.push_back("folder:" + Utf16ToUtf8(folder));
    if (folderResult == 1) folder = folderChoice;
    return folderResult;
  }
};

std::string Wrap(const std::string& body) {
  return "<SelfExtractor FormatVersionMajor='5' FormatVersionMinor='2'>" + body + "</SelfExtractor>";
}

std::string Option(const std::string& id, const std::string& arch, const std::string& tag,
                   const std::string& commands) {
  std::string text = "<Option Id='" + id + "'>";
  if (!arch.empty()) text += "<ProcessorArchitectureSet><ProcessorArchitecture>" + arch + "</ProcessorArchitecture></ProcessorArchitectureSet>";
  if (!tag.empty()) text += "<LanguageTagSet><LanguageTag>" + tag + "</LanguageTag></LanguageTagSet>";
  return text + "<Commands>" + commands + "</Commands></Option>";
}

std::string Launch(const std::string& options, const std::string& dialogs = "") {
  return Wrap("<Launch>" + dialogs + "<Options>" + options + "</Options></Launch>");
}

const std::string kMsi = "<Command Id='Install'><CreateProcess><Executable>msiexec.exe</Executable>"
                         "<Arguments>/i a.msi</Arguments></CreateProcess></Command>";

struct Planned {
  KVResult result;
  RunPlan plan;
  std::vector<std::string> shown;
};

Planned Plan(const std::string& document, const CmdLineData& cmdLine = {}, ScriptedInteraction interaction = {}) {
  SimulatedSystemFacts facts;
  facts.guids = {u"{GUID}"};
  Cfg cfg;
  EXPECT_EQ(cfg.Load(document.c_str(), facts), KV_OK) << document;
  Planned planned;
  planned.result = PlanRun(cfg, cmdLine, interaction, planned.plan);
  planned.shown = interaction.shown;
  return planned;
}

std::string Kinds(const RunPlan& plan) {
  std::string text;
  for (const PlannedTask& task : plan.tasks) text += Utf16ToUtf8(PlannedTaskKindName(task.kind)) + " ";
  return text;
}

}  // namespace

TEST(RunPlan, ExtractModeTargetDialogAndProgress) {
  const std::string folderDialog = Wrap("<Extract><TargetPath>%TEMP%\\x</TargetPath></Extract>");
  Planned p = Plan(folderDialog);
  ASSERT_EQ(p.result, KV_OK);
  EXPECT_EQ(Kinds(p.plan), "ExtractFiles ");
  EXPECT_EQ(p.shown, std::vector<std::string>{"folder:%TEMP%\\x"});
  EXPECT_EQ(p.plan.tasks[0].target, u"%TEMP%\\x");  // a dialog that could not be shown keeps the target
  EXPECT_FALSE(p.plan.tasks[0].hidden);
  EXPECT_EQ(p.plan.tasks[0].minimumDurationMs, 0u);
  EXPECT_FALSE(p.plan.languageStepRan);

  ScriptedInteraction chooses;
  chooses.folderResult = 1;
  chooses.folderChoice = u"D:\\chosen";
  CmdLineData fromCommandLine;
  fromCommandLine.target = u"C:\\given";
  p = Plan(folderDialog, fromCommandLine, chooses);
  EXPECT_EQ(p.shown, std::vector<std::string>{"folder:C:\\given"});
  EXPECT_EQ(p.plan.tasks[0].target, u"D:\\chosen");

  chooses.folderResult = 2;
  EXPECT_EQ(Plan(folderDialog, {}, chooses).result, KV_E_CANCELLED);

  CmdLineData guiOff;
  guiOff.gui = CmdLine::GuiOff;
  p = Plan(folderDialog, guiOff);
  EXPECT_TRUE(p.shown.empty());
  EXPECT_TRUE(p.plan.tasks[0].hidden);

  const std::string quiet =
      Wrap("<Extract><ProgressDialog Enabled='false'/><FolderSelectionDialog Enabled='false'/></Extract>");
  p = Plan(quiet);
  EXPECT_TRUE(p.shown.empty());
  EXPECT_TRUE(p.plan.tasks[0].hidden);
  EXPECT_EQ(p.plan.tasks[0].target, u"C:\\Users\\User\\Downloads");
  CmdLineData guiOn;
  guiOn.gui = CmdLine::GuiOn;
  p = Plan(quiet, guiOn);
  EXPECT_EQ(p.shown.size(), 1u);
  EXPECT_FALSE(p.plan.tasks[0].hidden);
}

TEST(RunPlan, LaunchTaskListByCommandType) {
  struct Case {
    const char* name;
    std::string commands;
    KVResult result;
    std::string kinds;
  };
  const std::string shellNoWait = "<Command Id='Readme'><ShellExecute><Executable>r.txt</Executable></ShellExecute></Command>";
  const std::string shellWait = "<Command Id='Wait'><ShellExecute Wait='true'><Executable>w.exe</Executable></ShellExecute></Command>";
  const Case cases[] = {
      {"CreateProcess", kMsi, KV_OK, "ExtractFiles ExecuteLaunchCommand DeleteExtractedFiles "},
      {"ShellExecute without Wait keeps the files", shellNoWait, KV_OK, "ExtractFiles ExecuteLaunchCommand "},
      {"ShellExecute with Wait", shellWait, KV_OK, "ExtractFiles ExecuteLaunchCommand DeleteExtractedFiles "},
      {"no action", "<Command Id='Nothing'/>", KV_E_FAIL, ""},
      {"sequence", kMsi + shellWait +
           "<Command Id='All'><CommandSequence><SubCommand><Command Id='install' ResultName=' R '/></SubCommand>"
           "<SubCommand><Command Id='wait'/></SubCommand></CommandSequence></Command><DefaultCommand>all</DefaultCommand>",
       KV_OK, "ExtractFiles ExecuteLaunchCommand ExecuteLaunchCommand DeleteExtractedFiles "},
      {"sequence step without Wait keeps the files", shellNoWait +
           "<Command Id='All'><CommandSequence><SubCommand><Command Id='readme'/></SubCommand></CommandSequence>"
           "</Command><DefaultCommand>all</DefaultCommand>",
       KV_OK, "ExtractFiles ExecuteLaunchCommand "},
      {"step naming a sequence", "<Command Id='A'><CommandSequence><SubCommand><Command Id='a'/></SubCommand>"
           "</CommandSequence></Command>",
       KV_E_FAIL, ""},
      {"step naming nothing", "<Command Id='A'><CommandSequence><SubCommand><Command Id='b'/></SubCommand>"
           "</CommandSequence></Command>",
       KV_E_INVALID_DATA, ""},
      {"two commands, no default", kMsi + shellWait, KV_E_MISSING_ARGUMENT, ""},
  };
  for (const Case& c : cases) {
    const Planned p = Plan(Launch(Option("only", "", "", c.commands)));
    EXPECT_EQ(p.result, c.result) << c.name;
    if (c.result == KV_OK) {
      EXPECT_EQ(Kinds(p.plan), c.kinds) << c.name;
    }
  }
}

TEST(RunPlan, LaunchTaskFields) {
  CmdLineData cmdLine;
  cmdLine.passthrough = u"/l*v log.txt";
  Planned p = Plan(Launch(Option("only", "", "", kMsi)), cmdLine);
  ASSERT_EQ(p.result, KV_OK);
  const PlannedTask& extract = p.plan.tasks[0];
  EXPECT_EQ(extract.name, u"extract_files");
  EXPECT_EQ(extract.target, u"C:\\Users\\User\\AppData\\Local\\Temp\\{GUID}");
  EXPECT_EQ(extract.minimumDurationMs, 1000u);
  const PlannedTask& launch = p.plan.tasks[1];
  EXPECT_EQ(launch.name, u"install");
  EXPECT_TRUE(launch.hidden);
  EXPECT_TRUE(launch.launch.useCreateProcess);
  EXPECT_EQ(launch.launch.arguments, u"/i a.msi /l*v log.txt");
  const PlannedTask& remove = p.plan.tasks[2];
  EXPECT_EQ(remove.name, u"delete_extracted_files");
  EXPECT_TRUE(remove.alwaysRun);
  EXPECT_TRUE(remove.hidden);

  cmdLine.internal = CmdLine::InternalRelaunch;
  cmdLine.target = u"C:\\given";
  const std::string admin = "<Command Id='A'><ShellExecute AsAdmin='true' Wait='true'><Executable>x</Executable></ShellExecute></Command>";
  p = Plan(Launch(Option("only", "", "", admin)), cmdLine);
  ASSERT_EQ(Kinds(p.plan), "ExecuteLaunchCommand ");  // internal: no extraction, no deletion
  EXPECT_FALSE(p.plan.tasks[0].launch.asAdmin);
  EXPECT_EQ(p.plan.tasks[0].target, u"C:\\given");

  CmdLineData guiOff;
  guiOff.gui = CmdLine::GuiOff;
  p = Plan(Launch(Option("only", "", "", admin)), guiOff);
  EXPECT_TRUE(p.plan.tasks[0].hidden);
  EXPECT_EQ(p.plan.tasks[0].minimumDurationMs, 0u);
  EXPECT_TRUE(p.plan.tasks[1].launch.asAdmin);
}

TEST(RunPlan, LanguageAndCommandChoice) {
  const std::string twoLanguages = Launch(Option("en", "", "en-US", kMsi) + Option("de", "", "de-DE", kMsi),
                                          "<LanguageSelectionDialog Enabled='true'/>");
  Planned p = Plan(twoLanguages);
  ASSERT_EQ(p.result, KV_OK);
  EXPECT_EQ(p.shown, std::vector<std::string>{"language"});
  EXPECT_EQ(p.plan.language, u"en-US");  // the default from the user's language stands
  EXPECT_EQ(p.plan.option->Id, u"en");

  ScriptedInteraction picksGerman;
  picksGerman.languageChoice = u"de-DE";
  p = Plan(twoLanguages, {}, picksGerman);
  EXPECT_EQ(p.plan.option->Id, u"de");
  EXPECT_EQ(p.plan.tasks[1].launch.language, u"de-DE");

  CmdLineData language;
  language.language = u"de-DE";
  p = Plan(twoLanguages, language);
  EXPECT_TRUE(p.shown.empty());
  EXPECT_EQ(p.plan.option->Id, u"de");
  language.language = u"de-de";
  EXPECT_EQ(Plan(twoLanguages, language).result, KV_E_BAD_COMMAND_LINE);

  ScriptedInteraction japanese;
  japanese.locales.user = u"ja-JP";
  const std::string noDialog = Launch(Option("fr", "", "fr-FR", kMsi) + Option("de", "", "de-DE", kMsi));
  EXPECT_EQ(Plan(noDialog, {}, japanese).result, KV_E_NO_UNIQUE_MATCH);

  CmdLineData neutralWithLanguage;
  neutralWithLanguage.language = u"xx-YY";  // not looked at for a language-neutral option
  p = Plan(Launch(Option("only", "", "", kMsi)), neutralWithLanguage);
  EXPECT_EQ(p.result, KV_OK);
  EXPECT_FALSE(p.plan.languageStepRan);

  CmdLineData command;
  command.command = u"install";
  EXPECT_EQ(Plan(Launch(Option("only", "", "", kMsi)), command).result, KV_OK);
  command.command = u"Install";  // not folded
  EXPECT_EQ(Plan(Launch(Option("only", "", "", kMsi)), command).result, KV_E_BAD_COMMAND_LINE);
}

TEST(RunPlan, NoCandidateIsAnUnsupportedSystem) {
  EXPECT_EQ(Plan(Launch(Option("arm", "ARM64", "", kMsi))).result, KV_E_UNSUPPORTED_SYSTEM);
}
