// The objects a document is read into: computed defaults, system facts and their failures, commands,
// steps, conditions and actions.
#include <gtest/gtest.h>

#include <string>

#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "tests/native/CfgTestDocuments.h"

namespace {

using namespace kestrova;

TEST(CfgDefaultsTest, ExtractTitleTargetAndDialogs) {
  struct Case {
    std::string document;
    const char16_t* modulePath;
    const char16_t* title;
    const char16_t* target;
    bool progress, folderSelection;
  };
  const Case cases[] = {
      {Document(""), u"C:\\dl\\Tool.exe", u"Tool Self Extractor", u"C:\\cwd", true, true},
      {Document("<Extract/>"), u"C:\\dl\\Tool.exe", u"Tool Self Extractor", u"C:\\cwd", true, true},
      {Document("<Title/><Extract/>"), u"/x.y/archive.tar.exe", u"archive.tar Self Extractor", u"C:\\cwd", true, true},
      {Document("<Title>Tool</Title>"), u"C:\\dl\\other.exe", u" Tool", u"C:\\cwd", true, true},
      {Document("<Extract><TargetPath/><ProgressDialog Enabled=\"false\"/>"
                "<FolderSelectionDialog Enabled=\"False\"/></Extract>"),
       u"C:\\v1.2\\Setup", u"Setup Self Extractor", u"", false, false},
      {Document("<Title> a &amp; b </Title><Extract><TargetPath>${SfxPath}\\out</TargetPath></Extract>"),
       u"C:\\s.exe", u"  a & b ", u"${SfxPath}\\out", true, true},
  };
  for (const Case& c : cases) {
    SimulatedSystemFacts facts;
    facts.modulePath = c.modulePath;
    facts.currentDirectory = u"C:\\cwd";
    Cfg cfg;
    ASSERT_EQ(cfg.Load(c.document.c_str(), facts), KV_OK) << c.document;
    ASSERT_TRUE(cfg.Extract && !cfg.Launch);
    EXPECT_EQ(cfg.Title, c.title) << c.document;
    EXPECT_EQ(cfg.Extract->TargetPath, c.target) << c.document;
    EXPECT_EQ(cfg.Extract->ProgressDialogEnabled, c.progress) << c.document;
    EXPECT_EQ(cfg.Extract->FolderSelectionDialogEnabled, c.folderSelection) << c.document;
    EXPECT_EQ(cfg.Extract->Parent, &cfg);
  }
  EXPECT_EQ(Cfg().Title, u" Self Extractor");
  EXPECT_EQ(&GlobalCfg(), &GlobalCfg());
}

TEST(CfgDefaultsTest, LaunchExtractsIntoAFreshGuidFolderUnderTempOrWindowsInstaller) {
  const std::string document = Document("<Title></Title><Launch><Options>" + OptionElement("o") + "</Options></Launch>");
  SimulatedSystemFacts facts;
  facts.guids = {u"{6B29FC40-CA47-1067-B31D-00DD010662DA}"};
  Cfg cfg;
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  EXPECT_EQ(cfg.Title, u" Setup");
  EXPECT_EQ(cfg.Launch->TargetPath, u"C:\\Users\\User\\AppData\\Local\\Temp\\{6B29FC40-CA47-1067-B31D-00DD010662DA}");
  EXPECT_TRUE(cfg.Launch->ProgressDialogEnabled);
  EXPECT_FALSE(cfg.Launch->LanguageSelectionDialogEnabled);

  facts.isAdmin = true;
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  EXPECT_EQ(cfg.Launch->TargetPath, u"C:\\Windows\\Installer\\{00000000-0000-0000-0000-000000000001}");
  facts.windowsFolder = u"D:\\Win\\";
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  EXPECT_EQ(cfg.Launch->TargetPath, u"D:\\Win\\Installer\\{00000000-0000-0000-0000-000000000002}");
}

// A fact that cannot be obtained ends reading with its code, only where the document needs that fact.
TEST(CfgDefaultsTest, FailingFactsEndReadingWhereTheyAreNeeded) {
  using Failures = SimulatedSystemFacts::Failures;
  const std::string launch = LaunchDocument(OptionElement("o"));
  const std::string titledExtract = Document("<Title>T</Title><Extract/>");
  struct Case {
    KVResult Failures::*failure;
    KVResult injected;
    std::string document;
    bool admin;
    KVResult expected;
  };
  const Case cases[] = {
      {&Failures::moduleFileName, 5, Document(""), false, 5},
      {&Failures::moduleFileName, 5, Document("<Extract><TargetPath/></Extract>"), false, 5},
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
      {&Failures::windowsVersion, 1150, launch, false, 1150},  // also without any OSVersionSet
  };
  for (const Case& c : cases) {
    SimulatedSystemFacts facts;
    facts.failures.*c.failure = c.injected;
    facts.isAdmin = c.admin;
    Cfg cfg;
    EXPECT_EQ(cfg.Load(c.document.c_str(), facts), c.expected) << c.document;
  }

  Cfg cfg;
  SimulatedSystemFacts facts;
  EXPECT_EQ(cfg.UseDefaultExtract(u"", facts), KV_OK);
  EXPECT_EQ(cfg.Title, u"setup Self Extractor");
  EXPECT_EQ(cfg.Extract->TargetPath, u"C:\\Users\\User\\Downloads");
  facts.failures.currentDirectory = 1;
  EXPECT_EQ(cfg.UseDefaultExtract(u"T", facts), KV_E_TARGET_TOO_LONG);
}

TEST(CfgCommandsModelTest, CommandsStepsAndInlineDefinitions) {
  const std::string document = CommandsDocument(
      "<Command Id=\"Install\"><ShellExecute Wait=\"TRUE\" AsAdmin=\"true\"><Executable>\n  <![CDATA[ setup.exe ]]>\n"
      "</Executable><Arguments>/q</Arguments></ShellExecute></Command>"
      "<Command Id=\"Seq\"><CommandSequence>"
      "<SubCommand><Command Id=\"Pre\" ResultName=\" \tResultPre\n\"><CreateProcess Hide=\"true\">"
      "<Executable>pre.exe</Executable></CreateProcess></Command></SubCommand>"
      "<SubCommand><Command Id=\"INSTALL\"/></SubCommand>"
      "<SubCommand><Command Id=\"ghost\"/></SubCommand>"
      "</CommandSequence></Command>"
      "<Command Id=\"Nothing\"/><DefaultCommand>PRE</DefaultCommand>");
  SimulatedSystemFacts facts;
  Cfg cfg;
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  const CfgCommands& commands = *cfg.Launch->Options->OptionsById.at(u"o")->Commands;
  EXPECT_EQ(commands.DefaultCommand, u"pre");
  ASSERT_EQ(commands.CommandsById.size(), 4u);  // install, pre (inline), seq, nothing; not ghost

  const CfgCommand& install = *commands.FindCommand(u"install");
  EXPECT_EQ(install.Type, CommandType::ShellExecuteCommand);
  EXPECT_EQ(install.Executable, u" setup.exe ");
  EXPECT_EQ(install.Arguments, u"/q");
  EXPECT_TRUE(install.Wait && install.AsAdmin && !install.Hide);
  EXPECT_EQ(install.Parent, &commands);
  EXPECT_EQ(commands.FindCommand(u"nothing")->Type, CommandType::None);
  EXPECT_EQ(commands.FindCommand(u"Install"), nullptr);  // lookups compare exactly

  const CfgCommand& seq = *commands.FindCommand(u"seq");
  ASSERT_EQ(seq.Type, CommandType::CommandSequence);
  ASSERT_EQ(seq.SubCommands.size(), 3u);
  const CfgSubCommand& first = *seq.SubCommands[0];
  EXPECT_EQ(first.CommandId, u"pre");
  EXPECT_EQ(first.ResultName, u"ResultPre");
  EXPECT_EQ(first.Parent, &seq);
  std::shared_ptr<CfgCommand> resolved;
  ASSERT_EQ(first.ResolveCommand(resolved), KV_OK);
  EXPECT_TRUE(resolved->Type == CommandType::CreateProcessCommand && resolved->Hide && resolved->Arguments.empty());
  EXPECT_EQ(resolved->Parent, &first);
  EXPECT_EQ(resolved->Manager, static_cast<const CfgCommandManager*>(&commands));
  EXPECT_EQ(seq.SubCommands[1]->ResolveCommand(resolved), KV_OK);
  EXPECT_EQ(resolved.get(), &install);
  EXPECT_EQ(seq.SubCommands[2]->ResolveCommand(resolved), KV_E_INVALID_DATA);  // not checked while reading
  EXPECT_EQ(resolved, nullptr);
}

TEST(CfgConditionModelTest, TreeActionsAndMessageDefaults) {
  const std::string document = StepDocument(
      "<Command Id=\"run\"/>"
      "<AfterCommand><IfAny>"
      "<IfTrue><Set Parameter=\" P \" Value=\" v \"/></IfTrue>"
      "<IfLess Parameter=\"R\" Value=\"0x10\"><IfFalse><Abort/></IfFalse></IfLess>"
      "<IfFalse><SkipCommand/></IfFalse>"
      "<IfAll/>"
      "<IfTrue><Message ResultType=\"YesNoCancel\" ResultName=\"Answer\">Go?</Message>"
      "<Message IconType=\"WARNING\" ResultType=\"cancelretrycontinue\" DefaultResult=\"continue\">W</Message>"
      "</IfTrue>"
      "</IfAny></AfterCommand>");
  SimulatedSystemFacts facts;
  Cfg cfg;
  ASSERT_EQ(cfg.Load(document.c_str(), facts), KV_OK);
  const CfgSubCommand& step =
      *cfg.Launch->Options->OptionsById.at(u"o")->Commands->FindCommand(u"seq")->SubCommands.at(0);
  EXPECT_EQ(step.BeforeCommand, nullptr);
  ASSERT_NE(step.AfterCommand, nullptr);
  EXPECT_EQ(step.AfterCommand->Parent, &step);
  const Conditional& root = step.AfterCommand->Condition;
  EXPECT_EQ(root.Type, ConditionalType::IfAny);
  ASSERT_EQ(root.Children.size(), 2u);
  EXPECT_EQ(root.Children[0].Type, ConditionalType::IfLess);
  EXPECT_EQ(root.Children[0].Parameter + u"=" + root.Children[0].Value, u"R=0x10");
  EXPECT_EQ(root.Children[1].Type, ConditionalType::IfAll);
  ASSERT_EQ(root.Children[0].FalseActions.size(), 1u);
  const auto* abort = dynamic_cast<const ConditionalSetParam*>(root.Children[0].FalseActions[0].get());
  ASSERT_NE(abort, nullptr);
  EXPECT_EQ(abort->Parameter + u"=" + abort->Value, u"Abort=True");

  // The actions of both IfTrue elements form one list.
  ASSERT_EQ(root.TrueActions.size(), 3u);
  const auto* set = dynamic_cast<const ConditionalSetParam*>(root.TrueActions[0].get());
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Parameter + u"=" + set->Value, u" P = v ");  // stored as written
  const auto* ask = dynamic_cast<const ConditionalMessage*>(root.TrueActions[1].get());
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(ask->Icon, MessageIcon::Error);
  EXPECT_EQ(ask->Buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(ask->DefaultResult, MessageResult::Yes);
  EXPECT_EQ(ask->Result, MessageResult::Yes);
  EXPECT_EQ(ask->ResultName + u"|" + ask->Text, u"Answer|Go?");
  const auto* warn = dynamic_cast<const ConditionalMessage*>(root.TrueActions[2].get());
  ASSERT_NE(warn, nullptr);
  EXPECT_EQ(warn->Icon, MessageIcon::Warning);
  EXPECT_EQ(warn->Buttons, MessageButtons::CancelRetryContinue);
  EXPECT_EQ(warn->DefaultResult, MessageResult::Continue);
  EXPECT_TRUE(warn->ResultName.empty());
  const auto* skip = root.FalseActions.size() == 1
                         ? dynamic_cast<const ConditionalSetParam*>(root.FalseActions[0].get()) : nullptr;
  ASSERT_NE(skip, nullptr);
  EXPECT_EQ(skip->Parameter + u"=" + skip->Value, u"SkipCommand=True");

  // Copies of a condition share its actions.
  const Conditional copy = root;
  EXPECT_EQ(copy.TrueActions[1], root.TrueActions[1]);
}

}  // namespace
