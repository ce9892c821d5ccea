// The objects a document is read into: computed defaults, system facts and their failures, conditions and
// actions. Commands and steps are seen through the run plan.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "tests/native/CfgTestDocuments.h"
#include "tests/native/LaunchFakes.h"

namespace {

using namespace kestrova;

TEST(CfgDefaultsTest, TitleTargetAndDialogs) {
  const std::string launch = "<Launch><Options>" + OptionElement("o") + "</Options></Launch>";
  const struct {
    std::string document;
    const char16_t *modulePath, *title, *target;
    bool progress = true, folderSelection = true, admin = false;
  } cases[] = {
      {Document(""), u"C:\\dl\\Tool.exe", u"Tool Self Extractor", u"C:\\cwd"},
      {Document("<Extract/>"), u"C:\\dl\\Tool.exe", u"Tool Self Extractor", u"C:\\cwd"},
      {Document("<Title/><Extract/>"), u"/x.y/archive.tar.exe", u"archive.tar Self Extractor", u"C:\\cwd"},
      {Document("<Title>Tool</Title>"), u"C:\\dl\\other.exe", u" Tool", u"C:\\cwd"},
      {Document("<Extract><TargetPath/><ProgressDialog Enabled='false'/><FolderSelectionDialog Enabled='False'/>"
                "</Extract>"),
       u"C:\\v1.2\\Setup", u"Setup Self Extractor", u"", false, false},
      {Document("<Title> a &amp; b </Title><Extract><TargetPath>${SfxPath}\\out</TargetPath></Extract>"), u"C:\\s.exe",
       u"  a & b ", u"${SfxPath}\\out"},
      // A launch extracts into a new GUID folder in Temp, or in Windows\Installer for an administrator.
      {Document("<Title></Title>" + launch), u"C:\\s.exe", u" Setup", u"C:\\Users\\User\\AppData\\Local\\Temp\\{G}"},
      {Document("<Title>T</Title>" + launch), u"C:\\s.exe", u" T", u"C:\\Windows\\Installer\\{G}", true, true, true},
  };
  for (const auto& c : cases) {
    SimulatedSystemFacts facts;
    facts.modulePath = c.modulePath;
    facts.currentDirectory = u"C:\\cwd";
    facts.guids = {u"{G}"};
    facts.isAdmin = c.admin;
    Cfg cfg;
    ASSERT_EQ(cfg.Load(c.document.c_str(), facts), KV_OK) << c.document;
    EXPECT_EQ(cfg.Title, c.title) << c.document;
    EXPECT_EQ(cfg.Launch ? cfg.Launch->TargetPath : cfg.Extract->TargetPath, c.target) << c.document;
    if (cfg.Launch) continue;
    EXPECT_EQ(cfg.Extract->ProgressDialogEnabled, c.progress) << c.document;
    EXPECT_EQ(cfg.Extract->FolderSelectionDialogEnabled, c.folderSelection) << c.document;
  }
}

// A fact that cannot be obtained ends reading with its code, only where the document needs that fact.
TEST(CfgDefaultsTest, FailingFactsEndReadingWhereTheyAreNeeded) {
  using Failures = SimulatedSystemFacts::Failures;
  const std::string launch = LaunchDocument(OptionElement("o"));
  const std::string titledExtract = Document("<Title>T</Title><Extract/>");
  const struct {
    KVResult Failures::*failure;
    KVResult injected;
    std::string document;
    bool admin;
    KVResult expected;
  } cases[] = {
      {&Failures::moduleFileName, 5, Document(""), false, 5},
      {&Failures::moduleFileName, 5, titledExtract, false, KV_OK},
      {&Failures::moduleFileName, 5, launch, false, KV_OK},
      {&Failures::currentDirectory, 0x8007007A, titledExtract, false, 0x8007007A},
      {&Failures::currentDirectory, 1, Document(""), false, KV_E_TARGET_TOO_LONG},
      {&Failures::currentDirectory, 1, Document("<Extract><TargetPath>x</TargetPath></Extract>"), false, KV_OK},
      {&Failures::isUserAdmin, 1309, launch, false, 1309},
      {&Failures::isUserAdmin, 1309, titledExtract, false, KV_OK},
      {&Failures::tempFolder, 0x6F, launch, false, 0x6F},
      {&Failures::tempFolder, 0x6F, launch, true, KV_OK},
      {&Failures::windowsFolder, 0x80070002, launch, true, 0x80070002},
      {&Failures::windowsFolder, 0x80070002, launch, false, KV_OK},
      {&Failures::guid, 0x80004005, launch, false, 0x80004005},
  };
  for (const auto& c : cases) {
    SimulatedSystemFacts facts;
    facts.failures.*c.failure = c.injected;
    facts.isAdmin = c.admin;
    Cfg cfg;
    EXPECT_EQ(cfg.Load(c.document.c_str(), facts), c.expected) << c.document;
  }
}

// The tree read is the tree that runs: evaluated, it sets what its actions say and shows boxes of the styles read.
TEST(CfgConditionModelTest, TreeActionsAndMessageDefaults) {
  const std::string document = StepDocument(
      "<Command Id='run'/><AfterCommand><IfAny>"
      "<IfTrue><Set Parameter=' P ' Value=' v '/></IfTrue>"
      "<IfLess Parameter='R' Value='0x10'><IfFalse><Abort/></IfFalse></IfLess>"
      "<IfFalse><SkipCommand/></IfFalse><IfAll><IfEqual Parameter='R' Value='16'/></IfAll>"
      "<IfTrue><Message ResultType='YesNoCancel' ResultName='Answer'>Go?</Message>"
      "<Message IconType='WARNING' ResultType='cancelretrycontinue' DefaultResult='continue'>W</Message></IfTrue>"
      "</IfAny></AfterCommand>");
  SimulatedSystemFacts facts;
  Cfg cfg;
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  const CfgSubCommand& step =
      *cfg.Launch->Options->OptionsById.at(u"o")->Commands->FindCommand(u"seq")->SubCommands.at(0);
  ASSERT_NE(step.AfterCommand, nullptr);
  using Entries = std::map<std::u16string, std::u16string>;
  // R = 16 makes IfAll hold and so IfAny, whose two IfTrue lists run as one; R = 17 holds nowhere.
  const struct {
    const char16_t* r;
    Entries entries;
    std::vector<std::pair<std::u16string, std::uint32_t>> boxes;
  } cases[] = {
      {u"16", {{u"R", u"16"}, {u"Abort", u"True"}, {u" P ", u" v "}, {u"Answer", u"Yes"}},
       {{u"<Go?>", 0x1013}, {u"<W>", 0x1236}}},  // error icon and the first button by default
      {u"17", {{u"R", u"17"}, {u"Abort", u"True"}, {u"SkipCommand", u"True"}}, {}},
  };
  for (const auto& c : cases) {
    ScriptedActions host;
    host.store.Set(u"R", c.r);
    bool holds = false;
    EXPECT_EQ(EvaluateCondition(step.AfterCommand->Condition, host, holds), KV_OK);
    EXPECT_EQ(Entries(host.store.begin(), host.store.end()), c.entries);
    EXPECT_EQ(host.boxes, c.boxes);
  }
}

}  // namespace
