// Planning a run: the dialogs asked for per gui mode, the language step, and the task list per command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RunPlan.h"
#include "builder/WindowsCommandLine.h"
#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Text.h"
#include "tests/native/CfgTestDocuments.h"
#include "ui/LanguageMgr.h"

using namespace kestrova;

namespace {

// Records the dialogs it is asked to show and answers them as scripted; every locale is known, the user's is en-US.
class ScriptedInteraction final : public RunInteraction, public KVLocaleInfo {
 public:
  FolderDialogResult folderAnswer = FolderDialogResult::NotShown;  // Ok: "D:\chosen"
  std::u16string languageAnswer;
  std::string shown;

  KVLocaleInfo& Locales() override { return *this; }
  void ShowLanguageDialog(LanguageMgr& languages) override {
    shown += "language; ";
    if (!languageAnswer.empty()) languages.SelectByTag(languageAnswer);
  }
  FolderDialogResult ShowFolderDialog(std::u16string& folder) override {
    shown += "folder " + Utf16ToUtf8(folder) + "; ";
    if (folderAnswer == FolderDialogResult::Ok) folder = u"D:\\chosen";
    return folderAnswer;
  }
  KVResult GetDisplayNames(const std::u16string& name, std::u16string& english, std::u16string& localized) override {
    english = localized = name;
    return KV_OK;
  }
  KVResult GetUserUiLocaleName(std::u16string& name) override {
    name = u"en-US";
    return KV_OK;
  }
};

// An option offering `tag` whose one command runs `id`.exe.
std::string Tagged(const std::string& id, const std::string& tag) {
  return OptionElement(id, TagSet({tag}), "<Command Id='Install'><CreateProcess><Executable>" + id +
                                              ".exe</Executable></CreateProcess></Command>");
}
std::string Sequence(const std::string& steps) {
  return "<Command Id='All'><CommandSequence>" + steps +
         "</CommandSequence></Command><DefaultCommand>all</DefaultCommand>";
}

const std::string kMsi = "<Command Id='Install'><CreateProcess Hide='true'><Executable>msiexec.exe</Executable>"
                         "<Arguments>/i a.msi</Arguments></CreateProcess></Command>";
const std::string kReadme =
    "<Command Id='Readme'><ShellExecute><Executable>r.txt</Executable></ShellExecute></Command>";
const std::string kWaitAdmin = "<Command Id='Wait'><ShellExecute Wait='true' AsAdmin='true'><Executable>w.exe"
                               "</Executable></ShellExecute></Command>";

// The dialogs shown, where the language came from, then per task its kind (a launch task by its name), target
// and the fields that are set.
std::string Render(const std::string& shown, const RunPlan& plan) {
  std::string text = shown;
  if (plan.languageStepRan) text += "from " + std::string(LanguageSourceText(plan.languageSource)) + "; ";
  for (const PlannedTask& task : plan.tasks) {
    const bool launch = task.kind == PlannedTaskKind::ExecuteLaunchCommand;
    text += Utf16ToUtf8((launch ? task.name : std::u16string(PlannedTaskKindName(task.kind))) + u" " + task.target);
    text += std::string(task.hidden ? " hidden" : "") + (task.alwaysRun ? " always" : "");
    if (task.minimumDurationMs != 0) text += " min" + std::to_string(task.minimumDurationMs);
    if (launch) {
      const LaunchCommand& l = task.launch;
      text += std::string(l.useCreateProcess ? " CP" : " SE") + (l.hide ? " hide" : "") + (l.wait ? " wait" : "") +
              (l.asAdmin ? " admin" : "") + ": " + Utf16ToUtf8(l.executable);
      if (!l.arguments.empty()) text += " " + Utf16ToUtf8(l.arguments);
      if (!l.language.empty()) text += " @" + Utf16ToUtf8(l.language);
      if (!l.resultName.empty()) text += " result=" + Utf16ToUtf8(l.resultName);
      text += std::string(l.beforeCommand ? " before" : "") + (l.afterCommand ? " after" : "");
    }
    text += "; ";
  }
  return text;
}

struct Case {
  std::string document;
  const char16_t* cmdLine;  // after the program name
  KVResult result;
  std::string plan = "";  // Render's text, compared for KV_OK
  FolderDialogResult folderAnswer = FolderDialogResult::NotShown;
  std::u16string languageAnswer = u"";
};

void ExpectPlans(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SimulatedSystemFacts facts;
    facts.tempFolder = u"";
    facts.guids = {u"G"};
    facts.currentDirectory = u"cwd";
    Cfg cfg;
    ASSERT_EQ(cfg.Load(c.document.c_str(), facts), KV_OK) << c.document;
    CmdLineData cmdLine;
    ASSERT_EQ(ParseRawCommandLine(u"x.exe " + std::u16string(c.cmdLine), SplitCommandLine, cmdLine), KV_OK);
    ScriptedInteraction interaction;
    interaction.folderAnswer = c.folderAnswer;
    interaction.languageAnswer = c.languageAnswer;
    RunPlan plan;
    EXPECT_EQ(PlanRun(cfg, cmdLine, interaction, plan), c.result) << Utf16ToUtf8(c.cmdLine) << " " << c.document;
    if (c.result == KV_OK) {
      EXPECT_EQ(Render(interaction.shown, plan), c.plan) << Utf16ToUtf8(c.cmdLine);
    }
  }
}

TEST(RunPlan, ExtractModeTargetFolderDialogAndProgress) {
  const std::string folder = Document("<Extract><TargetPath>%TEMP%\\x</TargetPath></Extract>");
  const std::string quiet =
      Document("<Extract><ProgressDialog Enabled='false'/><FolderSelectionDialog Enabled='false'/></Extract>");
  ExpectPlans({
      // A dialog that cannot be shown keeps the target.
      {folder, u"", KV_OK, "folder %TEMP%\\x; ExtractFiles %TEMP%\\x; "},
      {folder, u"--target C:\\given", KV_OK, "folder C:\\given; ExtractFiles D:\\chosen; ", FolderDialogResult::Ok},
      {folder, u"", KV_E_CANCELLED, "", FolderDialogResult::Cancelled},
      {folder, u"--gui off", KV_OK, "ExtractFiles %TEMP%\\x hidden; "},
      {quiet, u"", KV_OK, "ExtractFiles cwd hidden; "},
      {quiet, u"--gui on", KV_OK, "folder cwd; ExtractFiles cwd; "},
  });
}

TEST(RunPlan, LaunchTasksPerCommandType) {
  const auto Only = CommandsDocument;  // one language-neutral option with these commands
  ExpectPlans({
      // A language-neutral option does not look at --language.
      {Only(kMsi), u"--language xx-YY --passthrough /l*v log.txt", KV_OK,
       "ExtractFiles G min1000; install G hidden CP hide: msiexec.exe /i a.msi /l*v log.txt; "
       "DeleteExtractedFiles G hidden always; "},
      // A ShellExecute without Wait keeps the extracted files.
      {Only(kReadme), u"", KV_OK, "ExtractFiles G min1000; readme G hidden SE: r.txt; "},
      {Only(kWaitAdmin), u"--gui off", KV_OK,
       "ExtractFiles G hidden; wait G hidden SE wait admin: w.exe; DeleteExtractedFiles G hidden always; "},
      // The relaunched process neither extracts, deletes nor elevates.
      {Only(kWaitAdmin), u"--internal 1 --target C:\\given", KV_OK, "wait C:\\given hidden SE wait: w.exe; "},
      {Only(kMsi + kReadme), u"--command readme", KV_OK, "ExtractFiles G min1000; readme G hidden SE: r.txt; "},
      {Only(kMsi + kWaitAdmin + Sequence("<SubCommand><BeforeCommand><IfAll/></BeforeCommand><Command Id='install' "
                                         "ResultName=' R '/></SubCommand><SubCommand><Command Id='wait'/>"
                                         "<AfterCommand><IfAny/></AfterCommand></SubCommand>")),
       u"", KV_OK,
       "ExtractFiles G min1000; install G hidden CP hide: msiexec.exe /i a.msi result=R before; "
       "wait G hidden SE wait admin: w.exe after; DeleteExtractedFiles G hidden always; "},
      {Only(kReadme + Sequence("<SubCommand><Command Id='readme'/></SubCommand>")), u"", KV_OK,
       "ExtractFiles G min1000; readme G hidden SE: r.txt; "},
      // Nothing to run, a step naming a sequence or a missing command.
      {Only("<Command Id='Nothing'/>"), u"", KV_E_FAIL},
      {Only(Sequence("<SubCommand><Command Id='all'/></SubCommand>")), u"", KV_E_FAIL},
      {Only(Sequence("<SubCommand><Command Id='b'/></SubCommand>")), u"", KV_E_INVALID_DATA},
  });
}

TEST(RunPlan, LanguageStep) {
  const std::string two = Tagged("en", "en-US") + Tagged("de", "de-DE");
  const std::string dialog = "<LanguageSelectionDialog Enabled='true'/>";
  const auto tasks = [](const std::string& id, const std::string& language) {
    return "ExtractFiles G min1000; install G hidden CP: " + id + ".exe @" + language +
           "; DeleteExtractedFiles G hidden always; ";
  };
  ExpectPlans({
      // The user's language is the default; the dialog may change it.
      {LaunchDocument(two, dialog), u"", KV_OK, "language; from the language dialog; " + tasks("en", "en-US")},
      {LaunchDocument(two, dialog), u"", KV_OK, "language; from the language dialog; " + tasks("de", "de-DE"),
       FolderDialogResult::NotShown, u"de-DE"},
      {LaunchDocument(two, dialog), u"--language de-DE", KV_OK, "from the command line; " + tasks("de", "de-DE")},
      {LaunchDocument(two), u"", KV_OK, "from the user's display language; " + tasks("en", "en-US")},
      // A single language is taken without a dialog, whatever the user's language.
      {LaunchDocument(Tagged("fr", "fr-FR"), dialog), u"", KV_OK, "from the only language offered; " + tasks("fr", "fr-FR")},
  });
}

}  // namespace
