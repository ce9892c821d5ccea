// Reading configuration documents: every rule's code, and where the first violation in reading order is placed.
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

// A document whose first line is the root's start tag.
std::string Lines(const std::string& content) {
  return "<SelfExtractor FormatVersionMajor='5' FormatVersionMinor='2'>\n" + content + "</SelfExtractor>";
}

TEST(CfgDocumentTest, FirstViolationInReadingOrderIsPlacedByPathAttributeAndLine) {
  const std::string options = "SelfExtractor/Launch/Options/";
  const std::string step = options + "Option/Commands/Command[1]/CommandSequence/SubCommand/";
  const struct {
    std::string document;
    KVResult code;
    std::string path;  // where the violation is placed: element path, attribute, line
    const char* attribute;
    int line;
    KVResult versionFailure = 0;  // from the system's Windows version query
  } cases[] = {
      {"<SelfExtractor>\n<Extract>\n</Launch>", KV_E_XML_MALFORMED, "", "", 2},  // the unclosed element's line
      {"<Setup/>", KV_E_INVALID_DATA, "Setup", "", 1},
      {Lines("<Title/>\n<Title/>"), KV_E_INVALID_DATA, "SelfExtractor/Title[2]", "", 3},
      // An attribute on a line of its own.
      {Lines("<Launch><Options>\n" + OptionElement("a") + "\n<Option\n  Id='A'><Commands><Command Id='x'/>"
             "</Commands></Option></Options></Launch>"),
       KV_E_INVALID_DATA, options + "Option[2]", "Id", 5},
      // A neutral option beside a tagged one: the later option is placed.
      {Lines("<Launch><Options>\n" + OptionElement("a", TagSet({"en"})) + "\n" + OptionElement("b") +
             "</Options></Launch>"),
       KV_E_INVALID_DATA, options + "Option[2]", "", 4},
      // Extract is read before Launch; that both are present is checked after both have been read.
      {Document("<Launch/><Extract><FolderSelectionDialog/></Extract>"), KV_E_NOT_FOUND,
       "SelfExtractor/Extract/FolderSelectionDialog", "Enabled", 1},
      {Document("<Extract/><Launch><LanguageSelectionDialog/></Launch>"), KV_E_NOT_FOUND,
       "SelfExtractor/Launch/LanguageSelectionDialog", "Enabled", 1},
      // The version attributes come before every element.
      {"<SelfExtractor FormatVersionMajor='5'><Title/><Title/></SelfExtractor>", KV_E_NOT_FOUND, "SelfExtractor",
       "FormatVersionMinor", 1},
      // An option's sets before its Commands.
      {LaunchDocument("<Option Id='o'><Commands><Command/></Commands>" + ArchitectureSet({"x64", "x64"}) + "</Option>"),
       KV_E_DUPLICATE, options + "Option/ProcessorArchitectureSet/ProcessorArchitecture[2]", "", 1},
      // An option is read before its Id is checked against the others.
      {LaunchDocument(OptionElement("o") + OptionElement("o", "<LanguageTagSet/>")), KV_E_INVALID_DATA,
       options + "Option[2]/LanguageTagSet", "", 1},
      // Every command before DefaultCommand.
      {CommandsDocument("<DefaultCommand>x</DefaultCommand><Command Id='a'/><Command Id='A'/>"), KV_E_INVALID_DATA,
       options + "Option/Commands/Command[2]", "Id", 1},
      // BeforeCommand before the step's Command, a comparison's attributes before its children.
      {StepDocument("<Command/><BeforeCommand/>"), KV_E_INVALID_DATA, step + "BeforeCommand", "", 1},
      {ConditionDocument("<IfEqual Value='1'><IfTrue/></IfEqual>"), KV_E_NOT_FOUND, step + "BeforeCommand/IfEqual",
       "Parameter", 1},
      // A system fact that fails is placed at the element that needs it.
      {LaunchDocument(OptionElement("a")), 0x80070002, "SelfExtractor/Launch/Options", "", 1, 0x80070002},
  };
  for (const auto& c : cases) {
    SimulatedSystemFacts facts;
    facts.failures.windowsVersion = c.versionFailure;
    Cfg cfg;
    ConfigErrorLocation location;
    EXPECT_EQ(cfg.Load(c.document.c_str(), facts, &location), c.code) << c.document;
    EXPECT_EQ(DescribeConfigError(c.code).name == "system error", c.versionFailure != 0) << c.document;
    EXPECT_EQ(location.elementPath + "@" + location.attribute + ":" + std::to_string(location.line),
              c.path + "@" + c.attribute + ":" + std::to_string(c.line))
        << c.document;
  }
}

}  // namespace
