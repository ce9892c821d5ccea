// Which options fit a system, the language check, and the choice of option and command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Cfg.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Text.h"
#include "tests/native/CfgTestDocuments.h"

// gtest prints versions by their configuration names.
std::ostream& operator<<(std::ostream& out, WindowsVersion version) {
  return out << kestrova::Utf16ToUtf8(WindowsVersionName(version));
}

using WV = WindowsVersion;

namespace {

using namespace kestrova;

// A launch document with these options, read on the given system.
struct Loaded {
  SimulatedSystemFacts facts;
  Cfg cfg;
  KVResult code = KV_OK;
  Loaded(const std::string& options, WindowsVersion version = WV::W10_22H2, ProcessorArch arch = ProcessorArch::X64) {
    facts.windowsVersion = version;
    facts.nativeArch = arch;
    code = cfg.Load(LaunchDocument(options).c_str(), facts);
  }
  const CfgOptions& Options() const { return *cfg.Launch->Options; }
};

TEST(OSVersionSetTest, MatchesIncludedExcludedAndLaterEntriesOfTheSystemsKind) {
  const struct {
    std::vector<std::string> entries;
    std::vector<WindowsVersion> matching, notMatching;
  } cases[] = {
      {{"W10_1809+"}, {WV::W10_1809, WV::W10_22H2, WV::W10_Newer, WV::W11_21H2, WV::W11_23H2, WV::W_Future},
       {WV::W10_1803, WV::S2019, WV::S2022, WV::S_Future, WV::OtherWindows}},
      {{"W10_1809+", "!W11_21H2"}, {WV::W10_1809, WV::W11_22H2, WV::W_Future}, {WV::W11_21H2, WV::W10_1607}},
      {{"S2016+", "W7"}, {WV::S2016, WV::S2022, WV::S_Newer, WV::S_Future, WV::W7},
       {WV::S2012R2, WV::W8, WV::W10_1607}},
      {{"W7+", "!W10_1507+"}, {WV::W7, WV::W8_1}, {WV::W10_1507, WV::W11_23H2, WV::W_Future, WV::S2008R2}},
      {{"!W7", "!S2016+"}, {}, {WV::W7, WV::W8, WV::S2012, WV::S2019, WV::OtherWindows}},
      {{"W8", "!W8"}, {}, {WV::W8}},
      {{"HS2011+"}, {WV::HS2011, WV::S2012, WV::S2012R2, WV::S_Future}, {WV::S2008R2, WV::W8}},
  };
  for (const auto& c : cases) {
    const Loaded loaded(OptionElement("o", VersionSet(c.entries)));
    ASSERT_EQ(loaded.code, KV_OK) << VersionSet(c.entries);
    const CfgOSVersionSet& set = *loaded.Options().OptionsById.at(u"o")->OSVersionSet;
    for (WindowsVersion v : c.matching) EXPECT_TRUE(set.Matches(v)) << VersionSet(c.entries) << " " << v;
    for (WindowsVersion v : c.notMatching) EXPECT_FALSE(set.Matches(v)) << VersionSet(c.entries) << " " << v;
  }
}

TEST(SystemInfoTest, BuildNumbersAndBuildText) {
  // The ends of the ranges: a build between two releases is the later one's, one release is a single build.
  const std::pair<std::uint32_t, WindowsVersion> workstation[] = {
      {10240, WV::W10_1507}, {17764, WV::W10_1903}, {18363, WV::W10_1909}, {19045, WV::W10_22H2},
      {19046, WV::W10_Newer}, {21999, WV::W10_Newer}, {22000, WV::W11_21H2}, {22631, WV::W11_23H2},
      {22632, WV::W_Future},
  };
  for (const auto& [build, version] : workstation) EXPECT_EQ(WorkstationVersionFromBuild(build), version) << build;
  const std::pair<std::uint32_t, WindowsVersion> server[] = {
      {14393, WV::S2016}, {17763, WV::S2019}, {20348, WV::S2022}, {20349, WV::S_Newer}, {26100, WV::S_Future}};
  for (const auto& [build, version] : server) EXPECT_EQ(ServerVersionFromBuild(build), version) << build;

  std::uint32_t build = 0;
  EXPECT_EQ(ParseBuildNumber(u"0x4A65", build), KV_OK);
  EXPECT_EQ(build, 19045u);
  EXPECT_EQ(ParseBuildNumber(u" 22631\t", build), KV_OK);
  EXPECT_EQ(ParseBuildNumber(u"22631a", build), KV_E_INVALID_DATA);
  EXPECT_EQ(ParseBuildNumber(u"4294967296", build), KV_E_OUT_OF_RANGE);
}

std::u16string Joined(const std::vector<std::u16string>& ids) {
  std::u16string text;
  for (const std::u16string& id : ids) text += (text.empty() ? u"" : u" ") + id;
  return text;
}

TEST(CandidateTest, OptionsThatFitTheSystemAndTheirLanguages) {
  const std::string fourOptions = OptionElement("x64-en", ArchitectureSet({"x64"}) + TagSet({"en-US"})) +
                                  OptionElement("x64-de", ArchitectureSet({"x64"}) + TagSet({"de-DE"})) +
                                  OptionElement("arm-en", ArchitectureSet({"ARM64"}) + TagSet({"en-US"})) +
                                  OptionElement("arm-de", ArchitectureSet({"arm64"}) + TagSet({"de-DE"}));
  const std::string tagged = OptionElement("old", VersionSet({"W7"}) + TagSet({"en-US"}));
  const std::string neutralBesideTagged = OptionElement("any", VersionSet({"W10_1809+"})) + tagged;
  const struct {
    std::string options;
    WindowsVersion version;
    ProcessorArch arch;
    KVResult code;
    std::u16string candidates = u"", tags = u"";  // candidate Ids in document order; the tags they offer
    bool neutral = false;
  } cases[] = {
      {fourOptions, WV::W11_23H2, ProcessorArch::X64, KV_OK, u"x64-en x64-de", u"de-DE en-US", false},
      {fourOptions, WV::W11_23H2, ProcessorArch::ARM64, KV_OK, u"arm-en arm-de", u"de-DE en-US", false},
      {fourOptions, WV::W11_23H2, ProcessorArch::X86, KV_OK},
      {neutralBesideTagged, WV::W7, ProcessorArch::X64, KV_OK, u"old", u"en-US", false},
      {neutralBesideTagged, WV::W10_22H2, ProcessorArch::X64, KV_OK, u"any", u"", true},
      // Fitting options that share a tag, or a neutral one beside another.
      {OptionElement("a", TagSet({"en-US"})) + OptionElement("b", TagSet({"en-US"})), WV::W7, ProcessorArch::X86,
       KV_E_INVALID_DATA},
      {OptionElement("a") + OptionElement("b"), WV::W7, ProcessorArch::X64, KV_E_INVALID_DATA},
  };
  for (const auto& c : cases) {
    const Loaded loaded(c.options, c.version, c.arch);
    ASSERT_EQ(loaded.code, c.code) << c.options;
    EXPECT_EQ(loaded.facts.windowsVersionQueries, 1u);
    if (c.code != KV_OK) continue;
    const CfgOptions& options = loaded.Options();
    EXPECT_EQ(Joined(options.CandidateIds), c.candidates) << c.options;
    EXPECT_EQ(Joined({options.LanguageTags->Tags.begin(), options.LanguageTags->Tags.end()}), c.tags) << c.options;
    EXPECT_EQ(options.LanguageNeutral, c.neutral) << c.options;
  }
}

TEST(SelectOptionTest, ExactTagOrTheNeutralCandidate) {
  const Loaded tagged(OptionElement("x64-en", ArchitectureSet({"x64"}) + TagSet({"en-US", "en-GB"})) +
                      OptionElement("x64-de", ArchitectureSet({"x64"}) + TagSet({"de-DE"})) +
                      OptionElement("arm-fr", ArchitectureSet({"ARM64"}) + TagSet({"fr-FR"})));
  const Loaded neutral(OptionElement("only", ArchitectureSet({"x64"})) +
                       OptionElement("arm", ArchitectureSet({"ARM64"}) + TagSet({"en-US"})));
  const struct {
    const Loaded& loaded;
    std::u16string tag;
    KVResult code;
    std::u16string id = u"";
  } cases[] = {
      {tagged, u"de-DE", KV_OK, u"x64-de"}, {tagged, u"en-GB", KV_OK, u"x64-en"},
      {tagged, u"en-us", KV_E_NO_UNIQUE_MATCH}, {tagged, u"de", KV_E_NO_UNIQUE_MATCH},
      {tagged, u"fr-FR", KV_E_NO_UNIQUE_MATCH},  // offered, but not by a candidate
      {tagged, u"", KV_E_INVALID_VALUE}, {neutral, u"en-US", KV_OK, u"only"},  // the neutral option ignores the tag
  };
  for (const auto& c : cases) {
    ASSERT_EQ(c.loaded.code, KV_OK);
    std::shared_ptr<CfgOption> option = std::make_shared<CfgOption>(nullptr, u"stale");
    EXPECT_EQ(c.loaded.Options().SelectOption(c.tag, option), c.code);
    EXPECT_EQ(option ? option->Id : u"", c.id);
  }
}

TEST(GetCommandTest, NamedDefaultOrOnlyCommand) {
  const std::string two = "<Command Id='Install'/><Command Id='Repair'/>";
  const struct {
    std::string commands;
    std::u16string name;
    KVResult code;
    std::u16string id = u"";
  } cases[] = {
      {two, u"install", KV_OK, u"install"}, {two, u"Install", KV_E_NOT_FOUND}, {two, u"", KV_E_MISSING_ARGUMENT},
      {two + "<DefaultCommand>REPAIR</DefaultCommand>", u"", KV_OK, u"repair"},
      {two + "<DefaultCommand>REPAIR</DefaultCommand>", u"install", KV_OK, u"install"},
      {"<Command Id='Only'/>", u"", KV_OK, u"only"},
  };
  for (const auto& c : cases) {
    const Loaded loaded(OptionElement("o", "", c.commands));
    ASSERT_EQ(loaded.code, KV_OK) << c.commands;
    std::shared_ptr<CfgCommand> command;
    EXPECT_EQ(loaded.Options().OptionsById.at(u"o")->Commands->GetCommand(c.name, command), c.code) << c.commands;
    EXPECT_EQ(command ? command->Id : u"", c.id) << c.commands;
  }
}

}  // namespace
