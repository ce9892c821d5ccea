// Reading configuration documents: every rule's code, where the first violation is placed, reading order.
#include <gtest/gtest.h>

#include <string>

#include "config/Cfg.h"
#include "config/ConfigErrors.h"
#include "config/SimulatedSystemFacts.h"
#include "tests/native/CfgTestDocuments.h"

namespace {

using namespace kestrova;

TEST(CfgDocumentTest, EveryRuleGivesItsCode) {
  for (const DocumentGroup& group : DocumentGroups()) {
    for (const DocumentCase& c : group.cases) {
      SimulatedSystemFacts facts;
      Cfg cfg;
      ConfigErrorLocation location;
      EXPECT_EQ(cfg.Load(c.document.c_str(), facts, &location), c.code) << group.name << ": " << c.document;
      if (c.code == KV_OK) {
        EXPECT_NE(cfg.Extract == nullptr, cfg.Launch == nullptr) << c.document;
        EXPECT_TRUE(location.elementPath.empty() && location.line == 0);
      } else {
        EXPECT_TRUE(!cfg.Extract && !cfg.Launch) << c.document;  // nothing of a failed load is kept
        EXPECT_FALSE(location.detail.empty()) << c.document;
        EXPECT_NE(DescribeConfigError(c.code).name, "system error");
      }
    }
  }
}

struct LocatedCase {
  std::string document;
  KVResult code;
  const char* path;
  const char* attribute;
  int line;
};

// A document whose first line is the root's start tag.
std::string Lines(const std::string& content) {
  return "<SelfExtractor FormatVersionMajor=\"5\" FormatVersionMinor=\"2\">\n" + content + "</SelfExtractor>";
}

TEST(CfgDocumentTest, FirstViolationIsPlacedByPathAttributeAndLine) {
  const std::string optionA = OptionElement("a", "<LanguageTagSet><LanguageTag>en</LanguageTag></LanguageTagSet>");
  const LocatedCase cases[] = {
      {"<SelfExtractor>\n<Extract>\n</Launch>", KV_E_XML_MALFORMED, "", "", 2},  // the unclosed element's line
      {"<Setup/>", KV_E_INVALID_DATA, "Setup", "", 1},
      {Lines("<Title/>\n<Title/>"), KV_E_INVALID_DATA, "SelfExtractor/Title[2]", "", 3},
      {Lines("<Extract>\n<FolderSelectionDialog/></Extract>"), KV_E_NOT_FOUND,
       "SelfExtractor/Extract/FolderSelectionDialog", "Enabled", 3},
      {Lines("<Launch>\n</Launch>"), KV_E_INVALID_DATA, "SelfExtractor/Launch", "", 2},
      {Lines("<Launch><Options>\n" + OptionElement("a") + "\n<Option\n  Id=\"A\"><Commands><Command Id=\"x\"/>"
             "</Commands></Option></Options></Launch>"),
       KV_E_INVALID_DATA, "SelfExtractor/Launch/Options/Option[2]", "Id", 5},
      {Lines("<Launch><Options>" + OptionElement("a", "", "<Command Id=\"a\"/>\n<Command Id=\"b\">"
             "<ShellExecute Hide=\"true\"><Executable>x</Executable></ShellExecute></Command>") + "</Options></Launch>"),
       KV_E_INVALID_DATA, "SelfExtractor/Launch/Options/Option/Commands/Command[2]/ShellExecute", "Hide", 3},
      {Lines("<Launch><Options>\n" + optionA + "\n" + OptionElement("b") + "</Options></Launch>"),
       KV_E_INVALID_DATA, "SelfExtractor/Launch/Options/Option[2]", "", 4},
      {ConditionDocument("<IfAll><IfTrue><Abort/>\n<Set Parameter=\"P\"/></IfTrue></IfAll>"), KV_E_NOT_FOUND,
       "SelfExtractor/Launch/Options/Option/Commands/Command[1]/CommandSequence/SubCommand/BeforeCommand/IfAll/"
       "IfTrue/Set",
       "Value", 2},
  };
  for (const LocatedCase& c : cases) {
    SimulatedSystemFacts facts;
    Cfg cfg;
    ConfigErrorLocation location;
    EXPECT_EQ(cfg.Load(c.document.c_str(), facts, &location), c.code) << c.document;
    EXPECT_EQ(location.elementPath, c.path) << c.document;
    EXPECT_EQ(location.attribute, c.attribute) << c.document;
    EXPECT_EQ(location.line, c.line) << c.document;
  }
  SimulatedSystemFacts facts;
  facts.failures.windowsVersion = 0x80070002;
  Cfg cfg;
  const ConfigReadReport report = ReadConfiguration(cfg, LaunchDocument(OptionElement("a")), facts);
  EXPECT_EQ(report.code, 0x80070002u);
  EXPECT_EQ(report.location.elementPath, "SelfExtractor/Launch/Options");
  EXPECT_EQ(DescribeConfigError(report.code).name, "system error");
}

// Two violations: the one read first wins, whatever the order in the document.
TEST(CfgDocumentTest, FirstViolationInReadingOrderWins) {
  const LocatedCase cases[] = {
      // Extract is read before Launch.
      {Document("<Launch/><Extract><FolderSelectionDialog/></Extract>"), KV_E_NOT_FOUND,
       "SelfExtractor/Extract/FolderSelectionDialog", "Enabled", 1},
      // Both modes present is checked after both have been read.
      {Document("<Extract/><Launch><LanguageSelectionDialog/></Launch>"), KV_E_NOT_FOUND,
       "SelfExtractor/Launch/LanguageSelectionDialog", "Enabled", 1},
      // The version attributes come before every element.
      {"<SelfExtractor FormatVersionMajor=\"5\"><Title/><Title/></SelfExtractor>", KV_E_NOT_FOUND, "SelfExtractor",
       "FormatVersionMinor", 1},
      // An option's sets are read before its Commands.
      {LaunchDocument("<Option Id=\"o\"><Commands><Command/></Commands><ProcessorArchitectureSet>"
                      "<ProcessorArchitecture>x64</ProcessorArchitecture><ProcessorArchitecture>x64"
                      "</ProcessorArchitecture></ProcessorArchitectureSet></Option>"),
       KV_E_DUPLICATE, "SelfExtractor/Launch/Options/Option/ProcessorArchitectureSet/ProcessorArchitecture[2]", "", 1},
      // An option is read before its Id is checked against the others.
      {LaunchDocument(OptionElement("o") + OptionElement("o", "<LanguageTagSet/>")), KV_E_INVALID_DATA,
       "SelfExtractor/Launch/Options/Option[2]/LanguageTagSet", "", 1},
      // Every command before DefaultCommand.
      {CommandsDocument("<DefaultCommand>x</DefaultCommand><Command Id=\"a\"/><Command Id=\"A\"/>"),
       KV_E_INVALID_DATA, "SelfExtractor/Launch/Options/Option/Commands/Command[2]", "Id", 1},
      // BeforeCommand before the step's Command.
      {StepDocument("<Command/><BeforeCommand/>"), KV_E_INVALID_DATA,
       "SelfExtractor/Launch/Options/Option/Commands/Command[1]/CommandSequence/SubCommand/BeforeCommand", "", 1},
      // A comparison's attributes before its children.
      {ConditionDocument("<IfEqual Value=\"1\"><IfTrue/></IfEqual>"), KV_E_NOT_FOUND,
       "SelfExtractor/Launch/Options/Option/Commands/Command[1]/CommandSequence/SubCommand/BeforeCommand/IfEqual",
       "Parameter", 1},
  };
  for (const LocatedCase& c : cases) {
    SimulatedSystemFacts facts;
    Cfg cfg;
    ConfigErrorLocation location;
    EXPECT_EQ(cfg.Load(c.document.c_str(), facts, &location), c.code) << c.document;
    EXPECT_EQ(location.elementPath + "@" + location.attribute, std::string(c.path) + "@" + c.attribute)
        << c.document;
  }
}

}  // namespace
