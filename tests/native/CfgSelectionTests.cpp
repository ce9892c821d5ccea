// Which options fit a system, the language check, and the choice of option and command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "tests/native/CfgTestDocuments.h"

namespace {

using namespace kestrova;
namespace wv = windows_version;

std::string Set(const char* element, const char* entry, const std::vector<std::string>& entries) {
  std::string xml = std::string("<") + element + ">";
  for (const std::string& e : entries) {
    const bool excluded = e[0] == '!';
    xml += std::string("<") + entry + (excluded ? " Exclude=\"true\">" : ">") + e.substr(excluded ? 1 : 0) + "</" +
           entry + ">";
  }
  return xml + "</" + element + ">";
}

// OSVersion entries; "!" in front marks an excluded one.
std::string Versions(const std::vector<std::string>& entries) { return Set("OSVersionSet", "OSVersion", entries); }
std::string Archs(const std::vector<std::string>& entries) {
  return Set("ProcessorArchitectureSet", "ProcessorArchitecture", entries);
}
std::string Tags(const std::vector<std::string>& entries) { return Set("LanguageTagSet", "LanguageTag", entries); }

struct Loaded {
  SimulatedSystemFacts facts;
  Cfg cfg;
  KVResult code = KV_OK;
  const CfgOptions& Options() const { return *cfg.Launch->Options; }
};

void Load(Loaded& loaded, const std::string& options, WindowsVersion version, ProcessorArch arch) {
  loaded.facts.windowsVersion = version;
  loaded.facts.nativeArch = arch;
  loaded.code = loaded.cfg.Load(LaunchDocument(options).c_str(), loaded.facts);
}

TEST(OSVersionSetTest, MatchesIncludedExcludedAndLaterEntriesOfTheSystemsKind) {
  struct Case {
    std::vector<std::string> entries;
    std::vector<WindowsVersion> matching;
    std::vector<WindowsVersion> notMatching;
  };
  const Case cases[] = {
      {{"W10_1809+"}, {wv::W10_1809, wv::W10_22H2, wv::W10_Newer, wv::W11_21H2, wv::W11_23H2, wv::W_Future},
       {wv::W10_1803, wv::S2019, wv::S2022, wv::S_Future, wv::OtherWindows}},
      {{"W10_1809+", "!W11_21H2"}, {wv::W10_1809, wv::W11_22H2, wv::W_Future}, {wv::W11_21H2, wv::W10_1607}},
      {{"S2016+", "W7"}, {wv::S2016, wv::S2022, wv::S_Newer, wv::S_Future, wv::W7}, {wv::S2012R2, wv::W8, wv::W10_1607}},
      {{"W7+", "!W10_1507+"}, {wv::W7, wv::W8_1}, {wv::W10_1507, wv::W11_23H2, wv::W_Future, wv::S2008R2}},
      {{"!W7", "!S2016+"}, {}, {wv::W7, wv::W8, wv::S2012, wv::S2019, wv::OtherWindows}},
      {{"W8", "!W8"}, {}, {wv::W8}},
      {{"HS2011+"}, {wv::HS2011, wv::S2012, wv::S_Future}, {wv::S2008R2, wv::W8}},
  };
  for (const Case& c : cases) {
    Loaded loaded;
    Load(loaded, OptionElement("o", Versions(c.entries)), wv::W10_22H2, ProcessorArch::X64);
    ASSERT_EQ(loaded.code, KV_OK) << Versions(c.entries);
    const CfgOSVersionSet& set = *loaded.Options().OptionsById.at(u"o")->OSVersionSet;
    for (WindowsVersion v : c.matching) EXPECT_TRUE(set.Matches(v)) << Versions(c.entries) << " " << v;
    for (WindowsVersion v : c.notMatching) EXPECT_FALSE(set.Matches(v)) << Versions(c.entries) << " " << v;
  }
}

TEST(SystemInfoTest, BuildNumbersServerKindsAndBuildText) {
  const std::pair<std::uint32_t, WindowsVersion> workstation[] = {
      {10240, wv::W10_1507}, {10586, wv::W10_1511}, {14393, wv::W10_1607}, {15063, wv::W10_1703},
      {16299, wv::W10_1709}, {17134, wv::W10_1803}, {17763, wv::W10_1809}, {18362, wv::W10_1903},
      {18363, wv::W10_1909}, {19041, wv::W10_2004}, {19042, wv::W10_20H2}, {19043, wv::W10_21H1},
      {19044, wv::W10_21H2}, {19045, wv::W10_22H2}, {19046, wv::W10_Newer}, {21999, wv::W10_Newer},
      {22000, wv::W11_21H2}, {22621, wv::W11_22H2}, {22631, wv::W11_23H2}, {22632, wv::W_Future},
  };
  for (const auto& [build, version] : workstation) EXPECT_EQ(WorkstationVersionFromBuild(build), version) << build;
  const std::pair<std::uint32_t, WindowsVersion> server[] = {
      {14393, wv::S2016}, {17763, wv::S2019}, {20348, wv::S2022}, {20349, wv::S_Newer}, {26100, wv::S_Future}};
  for (const auto& [build, version] : server) EXPECT_EQ(ServerVersionFromBuild(build), version) << build;

  std::string kinds;
  for (WindowsVersion v = 0; v <= 1001; ++v) {
    if (IsServerVersion(v)) kinds += std::to_string(v) + " ";
  }
  EXPECT_EQ(kinds, "2 3 5 7 11 16 22 99 1001 ");

  std::uint32_t build = 0;
  EXPECT_EQ(ParseBuildNumber(u"0x4A65", build), KV_OK);
  EXPECT_EQ(build, 19045u);
  EXPECT_EQ(ParseBuildNumber(u" 22631\t", build), KV_OK);
  EXPECT_EQ(ParseBuildNumber(u"22631a", build), KV_E_INVALID_DATA);
  EXPECT_EQ(ParseBuildNumber(u"4294967296", build), KV_E_OUT_OF_RANGE);
}

TEST(CandidateTest, OptionsThatFitTheSystemAndTheirLanguages) {
  const std::string fourOptions =
      OptionElement("x64-en", Archs({"x64"}) + Tags({"en-US"})) + OptionElement("x64-de", Archs({"x64"}) + Tags({"de-DE"})) +
      OptionElement("arm-en", Archs({"ARM64"}) + Tags({"en-US"})) + OptionElement("arm-de", Archs({"arm64"}) + Tags({"de-DE"}));
  const std::string neutralBesideTagged = OptionElement("any", Versions({"W10_1809+"})) +
                                          OptionElement("old", Versions({"W7"}) + Tags({"en-US"}));
  struct Case {
    std::string options;
    WindowsVersion version;
    ProcessorArch arch;
    KVResult code;
    std::u16string candidates;  // Ids in document order, joined by blanks
    std::u16string tags;
    bool neutral;
  };
  const Case cases[] = {
      {fourOptions, wv::W11_23H2, ProcessorArch::X64, KV_OK, u"x64-en x64-de", u"de-DE en-US", false},
      {fourOptions, wv::W11_23H2, ProcessorArch::ARM64, KV_OK, u"arm-en arm-de", u"de-DE en-US", false},
      {fourOptions, wv::W11_23H2, ProcessorArch::X86, KV_OK, u"", u"", false},
      {OptionElement("a", Tags({"en-US"})) + OptionElement("b", Tags({"en-US"})), wv::W7, ProcessorArch::X86,
       KV_E_INVALID_DATA, u"", u"", false},
      {neutralBesideTagged, wv::W7, ProcessorArch::X64, KV_OK, u"old", u"en-US", false},
      {neutralBesideTagged, wv::W10_22H2, ProcessorArch::X64, KV_OK, u"any", u"", true},
      {OptionElement("old", Versions({"W7"}) + Tags({"en-US"})) + OptionElement("any"), wv::W7, ProcessorArch::X64,
       KV_E_INVALID_DATA, u"", u"", false},
      {OptionElement("a") + OptionElement("b"), wv::W7, ProcessorArch::X64, KV_E_INVALID_DATA, u"", u"", false},
      {OptionElement("x86", Archs({"x86"})) + OptionElement("never", Versions({"!W10_22H2"})), wv::W10_22H2,
       ProcessorArch::X64, KV_OK, u"", u"", false},
      {OptionElement("o", Versions({"W10_1809+", "S2019+"})), wv::OtherWindows, ProcessorArch::X64, KV_OK, u"", u"",
       false},
  };
  for (const Case& c : cases) {
    Loaded loaded;
    Load(loaded, c.options, c.version, c.arch);
    ASSERT_EQ(loaded.code, c.code) << c.options;
    EXPECT_EQ(loaded.facts.windowsVersionQueries, 1u);
    if (c.code != KV_OK) continue;
    std::u16string candidates;
    for (const std::u16string& id : loaded.Options().CandidateIds) candidates += (candidates.empty() ? u"" : u" ") + id;
    std::u16string tags;
    for (const std::u16string& tag : loaded.Options().LanguageTags->Tags) tags += (tags.empty() ? u"" : u" ") + tag;
    EXPECT_EQ(candidates, c.candidates) << c.options;
    EXPECT_EQ(tags, c.tags) << c.options;
    EXPECT_EQ(loaded.Options().LanguageNeutral, c.neutral) << c.options;
    EXPECT_EQ(loaded.Options().OptionIds.size(), loaded.Options().OptionsById.size());
  }
}

TEST(SelectOptionTest, ExactTagOrTheNeutralCandidate) {
  Loaded tagged;
  Load(tagged,
       OptionElement("x64-en", Archs({"x64"}) + Tags({"en-US", "en-GB"})) +
           OptionElement("x64-de", Archs({"x64"}) + Tags({"de-DE"})) + OptionElement("arm-fr", Archs({"ARM64"}) + Tags({"fr-FR"})),
       wv::W10_22H2, ProcessorArch::X64);
  ASSERT_EQ(tagged.code, KV_OK);
  const std::pair<std::u16string, KVResult> requests[] = {
      {u"de-DE", KV_OK}, {u"en-GB", KV_OK}, {u"en-us", KV_E_NO_UNIQUE_MATCH}, {u"de", KV_E_NO_UNIQUE_MATCH},
      {u"fr-FR", KV_E_NO_UNIQUE_MATCH}, {u"", KV_E_INVALID_VALUE}};
  for (const auto& [tag, code] : requests) {
    std::shared_ptr<CfgOption> option = std::make_shared<CfgOption>(nullptr, u"stale");
    EXPECT_EQ(tagged.Options().SelectOption(tag, option), code);
    EXPECT_EQ(option != nullptr, code == KV_OK);
    if (option) {
      EXPECT_EQ(option->LanguageTagSet->Tags.count(tag), 1u);
    }
  }

  Loaded neutral;
  Load(neutral, OptionElement("only", Archs({"x64"})) + OptionElement("arm", Archs({"ARM64"}) + Tags({"en-US"})),
       wv::W10_22H2, ProcessorArch::X64);
  ASSERT_EQ(neutral.code, KV_OK);
  std::shared_ptr<CfgOption> option;
  EXPECT_EQ(neutral.Options().SelectOption(u"en-US", option), KV_OK);  // the tag is not looked at
  EXPECT_EQ(option->Id, u"only");

  Loaded none;
  Load(none, OptionElement("arm", Archs({"ARM64"})), wv::W10_22H2, ProcessorArch::X64);
  ASSERT_EQ(none.code, KV_OK);
  EXPECT_EQ(none.Options().SelectOption(u"en-US", option), KV_E_NO_UNIQUE_MATCH);
}

TEST(GetCommandTest, NamedDefaultOrOnlyCommand) {
  struct Case {
    std::string commands;
    std::u16string name;
    KVResult code;
    std::u16string id;
  };
  const Case cases[] = {
      {"<Command Id=\"Install\"/><Command Id=\"Repair\"/>", u"install", KV_OK, u"install"},
      {"<Command Id=\"Install\"/><Command Id=\"Repair\"/>", u"Install", KV_E_NOT_FOUND, u""},
      {"<Command Id=\"Install\"/><Command Id=\"Repair\"/>", u"", KV_E_MISSING_ARGUMENT, u""},
      {"<Command Id=\"Install\"/><Command Id=\"Repair\"/><DefaultCommand>REPAIR</DefaultCommand>", u"", KV_OK,
       u"repair"},
      {"<Command Id=\"Install\"/><Command Id=\"Repair\"/><DefaultCommand>REPAIR</DefaultCommand>", u"install", KV_OK,
       u"install"},
      {"<Command Id=\"Only\"/>", u"", KV_OK, u"only"},
      {"<Command Id=\"Only\"/><DefaultCommand/>", u"", KV_OK, u"only"},
  };
  for (const Case& c : cases) {
    SimulatedSystemFacts facts;
    Cfg cfg;
    ASSERT_EQ(cfg.Load(CommandsDocument(c.commands).c_str(), facts), KV_OK) << c.commands;
    std::shared_ptr<CfgOption> option;
    ASSERT_EQ(cfg.Launch->Options->SelectOption(u"", option), KV_OK);
    std::shared_ptr<CfgCommand> command;
    EXPECT_EQ(option->Commands->GetCommand(c.name, command), c.code) << c.commands;
    EXPECT_EQ(command ? command->Id : u"", c.id) << c.commands;
  }
}

}  // namespace
