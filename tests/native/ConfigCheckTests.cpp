// kvsfx check: broken documents with the message and the place each problem is reported at, and the known names
// in step with docs/configuration.xsd.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "builder/ConfigCheck.h"
#include "builder/ConfigNames.h"
#include "tests/native/CfgTestDocuments.h"

using namespace kestrova;

namespace {

struct Expected {
  char severity;  // 'E' or 'W'
  int line;
  int column;
  const char* fragment;  // part of the text, or of the detail below it
};

struct Case {
  const char* name;
  std::string document;
  std::vector<Expected> expected;  // errors first, then warnings by position
  std::vector<std::string> payload = {"*"};  // "*": not checked against a payload
};

const char kHead[] = "<SelfExtractor FormatVersionMajor='5' FormatVersionMinor='2'>\n";

// A Launch whose options are given line by line (the document's line 3 is the first option).
std::string Launch(const std::string& options) { return kHead + std::string("<Launch><Options>\n") + options + "</Options></Launch></SelfExtractor>\n"; }

std::string Option(const std::string& id, const std::string& sets, const std::string& command = "<Command Id='c'/>") {
  return "  <Option Id='" + id + "'>" + sets + "<Commands>" + command + "</Commands></Option>\n";
}
std::string Process(const std::string& executable, const std::string& arguments) {
  return "<Command Id='c'><CreateProcess><Executable>" + executable + "</Executable><Arguments>" + arguments +
         "</Arguments></CreateProcess></Command>";
}

void Expect(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const bool withPayload = !(c.payload.size() == 1 && c.payload[0] == "*");
    const ConfigCheck check = CheckConfiguration(c.document, withPayload ? &c.payload : nullptr);
    std::string all = std::string(c.name) + "\n";
    for (const ConfigFinding& f : check.findings) all += FormatFinding("setup.xml", f);
    SCOPED_TRACE(all);
    ASSERT_EQ(check.findings.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      const ConfigFinding& f = check.findings[i];
      const Expected& e = c.expected[i];
      EXPECT_EQ(f.severity == ConfigFinding::Severity::Error ? 'E' : 'W', e.severity);
      EXPECT_EQ(std::make_pair(f.position.line, f.position.column), std::make_pair(e.line, e.column));
      EXPECT_NE((f.text + "\n" + f.detail).find(e.fragment), std::string::npos);
    }
  }
}

TEST(ConfigCheck, MisspeltNamesAtEveryLevel) {
  Expect({
      {"root attribute", std::string("<SelfExtractor FormatVersionMajor='5' FormatVersionMinor='2' Format='x'/>"),
       {{'W', 1, 62, "unknown attribute \"Format\" of SelfExtractor"}}},
      {"Titel", kHead + std::string("  <Titel>Setup</Titel></SelfExtractor>"),
       {{'W', 2, 3, "unknown element \"Titel\" in SelfExtractor, which installers ignore with all it holds; did you mean \"Title\"?"}}},
      {"nothing near", kHead + std::string("<Extract><Zebra/></Extract></SelfExtractor>"),
       {{'W', 2, 10, "it takes ProgressDialog, TargetPath, FolderSelectionDialog"}}},
      {"TargetPath in Launch", kHead + std::string("<Launch><TargetPath>x</TargetPath><Options>") + Option("o", "") + "</Options></Launch></SelfExtractor>",
       {{'W', 2, 9, "unknown element \"TargetPath\" in Launch"}}},
      {"in a step", Launch(Option("o", "", "<Command Id='s'><CommandSequence><SubCommand><Command Id='c'/><AfterComand/></SubCommand></CommandSequence></Command><Command Id='c'><ShellExecute Wiat='true'><Executable>a.exe</Executable></ShellExecute></Command>")),
       {{'W', 3, 90, "did you mean \"AfterCommand\"?"}, {'W', 3, 175, "did you mean \"Wait\"?"}}},
  });
}

TEST(ConfigCheck, OptionsThatNoMachineChoosesAndOptionsThatClash) {
  Expect({
      {"x86 only after Windows 10", Launch(Option("en", "") + Option("de86", ArchitectureSet({"x86"}) + VersionSet({"W11_21H2+"}) + TagSet({"de-DE"}))),
       // The first option is language-neutral: no clash, as the second fits no machine at all.
       {{'W', 4, 11, "Option[2] (Id \"de86\") is chosen on no machine: its ProcessorArchitectureSet and OSVersionSet fit no Windows release"}}},
      {"an include and an exclude of one range", Launch(Option("a", TagSet({"en-US"})) + Option("b", VersionSet({"W10_1507+", "!W10_1507+"}) + TagSet({"de-DE"}))),
       {{'W', 4, 11, "Option[2] (Id \"b\") is chosen on no machine: its OSVersionSet leaves no Windows version"}}},
      {"ARM only, on a server", Launch(Option("a", TagSet({"en-US"})) + Option("s", ArchitectureSet({"ARM64"}) + VersionSet({"S2016+"}) + TagSet({"de-DE"}))),
       {{'W', 4, 11, "on W10_1709 ARM64, the installer offers en-US and no \"de-DE\""}}},
      {"two options share a tag on x86 only", Launch(Option("de86", ArchitectureSet({"x86"}) + TagSet({"de-DE"})) + Option("de", TagSet({"de-DE"}))),
       {{'E', 4, 11, "Option[1] (Id \"de86\") and Option[2] (Id \"de\") both fit machines and both offer \"de-DE\": "
                     "installers there end with 0xEE000051 before anything runs\non W7 x86, W8 x86"},
        {'W', 3, 11, "Option[1] (Id \"de86\") is chosen on no machine: wherever it fits, another option clashes"}}},
      {"a language-neutral option beside one for x86", Launch(Option("a", ArchitectureSet({"x86"})) + Option("b", "")),
       {{'E', 4, 11, "both fit machines and one of them is language-neutral (no LanguageTagSet)"},
        {'W', 3, 11, "clashes"}}},
  });
}

TEST(ConfigCheck, CommandsAgainstThePayload) {
  const std::string msi = Launch(Option("o", "", Process("msiexec.exe", "/i \"${TargetPath}\\x64\\Setup.msi\" /qn")));
  const std::string own = Launch(Option("o", "", Process("${TargetPath}\\bin\\setup.exe", "/log ${TargetPath}\\l.txt")));
  Expect({
      {"present, letter case and '.' parts aside", msi, {}, {"./x64/setup.MSI"}},
      {"missing", msi, {{'W', 3, 95, "command \"c\" passes \"x64\\Setup.msi\", which is not in the payload"}}, {"x64/other.msi"}},
      {"a program of the payload", own, {}, {"bin/setup.exe", "l.txt"}},
      {"a program missing", own, {{'W', 3, 59, "command \"c\" runs \"bin\\setup.exe\""}}, {"l.txt"}},
      {"a bare name in the top folder", Launch(Option("o", "", Process("setup", ""))), {}, {"setup.exe"}},
      {"a bare name nowhere", Launch(Option("o", "", Process("setup", ""))), {{'W', 3, 59, "runs \"setup.exe\""}}, {"a"}},
      {"empty payload", Launch(Option("o", "", Process("cmd.exe", "/c exit 0"))), {{'W', 0, 0, "the payload is empty"}}, {}},
  });
}

TEST(ConfigCheck, ReadFailuresAtTheirPlace) {
  Expect({
      {"not XML", std::string(kHead) + "<Extract>", {{'E', 2, 1, "0xEE000057 KV_E_XML_MALFORMED"}}},
      {"an Id with a blank", Launch(Option("a", "") + Option(" b", "")), {{'E', 4, 11, "0xEE000051 KV_E_INVALID_DATA"}}},
      {"a format version not read", "<SelfExtractor FormatVersionMajor='6' FormatVersionMinor='2'/>",
       {{'E', 1, 16, "0xEE000051 KV_E_INVALID_DATA: the document breaks a rule: unsupported format version"}}},
  });
}

TEST(ConfigCheck, MessageFormat) {
  using Severity = ConfigFinding::Severity;
  EXPECT_EQ(FormatFinding("setup.xml", {Severity::Warning, "SelfExtractor/Title", "", {14, 7}, "text", "one\ntwo"}),
            "setup.xml:14:7: warning: text\n  at SelfExtractor/Title\n  one\n  two\n");
  EXPECT_EQ(FormatFinding("a.xml", {Severity::Error, "", "", {}, "text", ""}), "a.xml: error: text\n");
}

using Xml = const tinyxml2::XMLElement*;

std::string Attribute(Xml element, const char* name) { return element->Attribute(name) ? element->Attribute(name) : ""; }

// docs/configuration.xsd: per element name, the attributes and child elements its types allow.
class SchemaNames {
 public:
  SchemaNames() {
    const auto path = std::filesystem::path(KVSFX_SOURCE_DIR) / "docs" / "configuration.xsd";
    if (document_.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) return;  // no names: the test fails
    for (Xml node = document_.RootElement()->FirstChildElement(); node; node = node->NextSiblingElement()) {
      if (node->Name() == std::string_view("xs:complexType")) types_[Attribute(node, "name")] = node;
      if (node->Name() == std::string_view("xs:group")) groups_[Attribute(node, "name")] = node;
    }
    for (Xml node = document_.RootElement()->FirstChildElement("xs:element"); node;
         node = node->NextSiblingElement("xs:element")) {
      Element(node);
    }
  }
  std::map<std::string, std::pair<std::set<std::string>, std::set<std::string>>> names;

 private:
  void Element(Xml element) {
    const std::string name = Attribute(element, "name"), type = Attribute(element, "type");
    auto& entry = names[name];
    if (!walked_.insert({name, type.empty() ? element : types_[type]}).second) return;  // recursive types
    if (types_.count(type) != 0) Content(types_[type], entry);
    Content(element, entry);
  }
  // Walks a type's particles: attributes and elements (which are then walked themselves), groups by reference;
  // built-in types (null) have none.
  void Content(Xml node, std::pair<std::set<std::string>, std::set<std::string>>& entry) {
    for (Xml child = node ? node->FirstChildElement() : nullptr; child; child = child->NextSiblingElement()) {
      const std::string_view kind = child->Name();
      if (kind == "xs:attribute") {
        entry.first.insert(Attribute(child, "name"));
      } else if (kind == "xs:element") {
        entry.second.insert(Attribute(child, "name"));
        Element(child);
      } else if (kind == "xs:group") {
        Content(groups_[Attribute(child, "ref")], entry);
      } else {
        Content(child, entry);
      }
    }
  }
  tinyxml2::XMLDocument document_;
  std::map<std::string, Xml> types_, groups_;
  std::set<std::pair<std::string, Xml>> walked_;
};

TEST(ConfigNames, AreTheSchemasNames) {
  const SchemaNames schema;
  std::set<std::string> known;
  for (const KnownElement& element : KnownConfigElements()) {
    known.insert(element.name);
    ASSERT_EQ(schema.names.count(element.name), 1u) << element.name;
    const auto& [attributes, children] = schema.names.at(element.name);
    EXPECT_EQ(std::set<std::string>(element.attributes.begin(), element.attributes.end()), attributes) << element.name;
    EXPECT_EQ(std::set<std::string>(element.children.begin(), element.children.end()), children) << element.name;
  }
  for (const auto& [name, entry] : schema.names) EXPECT_EQ(known.count(name), 1u) << name;
}

TEST(ConfigNames, NearestName) {
  const std::vector<const char*> known = {"Arguments", "Executable", "Enabled", "Title", "IfLess", "IfLessEqual"};
  const std::string huge(1 << 20, 'A');  // costs no time and no memory
  for (const auto& [name, nearest] : std::vector<std::pair<const char*, const char*>>{
           {"Argument", "Arguments"}, {"Titel", "Title"}, {"enabled", "Enabled"}, {"Executabel", "Executable"},
           {"IfLesEqual", "IfLessEqual"}, {"Zebra", ""}, {"Exe", ""}, {"T", ""}, {huge.c_str(), ""}}) {
    EXPECT_EQ(NearestName(name, known), nearest) << name;
  }
}

}  // namespace
