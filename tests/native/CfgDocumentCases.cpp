#include "tests/native/CfgTestDocuments.h"

using namespace kestrova;

namespace {

constexpr Schema kReader = Schema::ReaderOnly;

std::string Versioned(const std::string& attributes, const std::string& content = "<Extract><TargetPath/></Extract>") {
  return "<SelfExtractor " + attributes + ">" + content + "</SelfExtractor>";
}
std::string Major(const char* major, const char* minor) {
  return Versioned(std::string("FormatVersionMajor='") + major + "' FormatVersionMinor='" + minor + "'");
}
std::string Set(const char* set, const char* entry, const std::vector<std::string>& entries) {
  std::string xml = std::string("<") + set + ">";
  for (const std::string& e : entries) {
    const bool excluded = !e.empty() && e[0] == '!';
    xml += std::string("<") + entry + (excluded ? " Exclude='true'>" : ">") + e.substr(excluded) + "</" + entry + ">";
  }
  return xml + "</" + set + ">";
}
std::string ExtractDocument(const std::string& content) { return Document("<Extract>" + content + "</Extract>"); }
std::string LaunchContent(const std::string& content) { return LaunchDocument(OptionElement("o"), content); }
std::string InOption(const std::string& content) { return LaunchDocument(OptionElement("o", content)); }
std::string RunCommand(const std::string& action) {
  return CommandsDocument("<Command Id='run'>" + action + "</Command>");
}
std::string Process(const std::string& attributes, const std::string& content = "<Executable>a.exe</Executable>") {
  return "<CreateProcess " + attributes + ">" + content + "</CreateProcess>";
}
std::string Shell(const std::string& attributes, const std::string& content = "<Executable>a.exe</Executable>") {
  return "<ShellExecute " + attributes + ">" + content + "</ShellExecute>";
}
std::string Actions(const std::string& actions) {
  return ConditionDocument("<IfEqual Parameter='P' Value='1'><IfTrue>" + actions + "</IfTrue></IfEqual>");
}
std::string AsIs(const std::string& document) { return document; }

struct Row {
  std::string content;
  KVResult code;
  Schema schema = Schema::Agrees;
};

// The group's documents: `build` applied to each row's content.
DocumentGroup Group(const char* name, std::string (*build)(const std::string&), std::initializer_list<Row> rows) {
  DocumentGroup group{name, {}};
  for (const Row& row : rows) group.cases.push_back({build(row.content), row.code, row.schema});
  return group;
}

}  // namespace

std::string Document(const std::string& content) {
  return Versioned("FormatVersionMajor='5' FormatVersionMinor='2'", content);
}
std::string LaunchDocument(const std::string& options, const std::string& dialogs) {
  return Document("<Launch>" + dialogs + "<Options>" + options + "</Options></Launch>");
}
std::string OptionElement(const std::string& id, const std::string& content, const std::string& commands) {
  return "<Option Id='" + id + "'>" + content + "<Commands>" + commands + "</Commands></Option>";
}
std::string CommandsDocument(const std::string& commands) { return LaunchDocument(OptionElement("o", "", commands)); }
std::string StepDocument(const std::string& subCommand) {
  return CommandsDocument("<Command Id='seq'><CommandSequence><SubCommand>" + subCommand +
                          "</SubCommand></CommandSequence></Command><Command Id='run'/>");
}
std::string ConditionDocument(const std::string& condition) {
  return StepDocument("<BeforeCommand>" + condition + "</BeforeCommand><Command Id='run'/>");
}
std::string VersionSet(const std::vector<std::string>& entries) { return Set("OSVersionSet", "OSVersion", entries); }
std::string ArchitectureSet(const std::vector<std::string>& entries) {
  return Set("ProcessorArchitectureSet", "ProcessorArchitecture", entries);
}
std::string TagSet(const std::vector<std::string>& entries) { return Set("LanguageTagSet", "LanguageTag", entries); }

const std::vector<DocumentGroup>& DocumentGroups() {
  const std::string option = OptionElement("o");
  const std::string exe = "<Executable>a</Executable>";
  static const std::vector<DocumentGroup> groups{
      Group("document and SelfExtractor", AsIs, {
          {"<Other FormatVersionMajor='5' FormatVersionMinor='2'/>", KV_E_INVALID_DATA},
          {"<!--c--><SelfExtractor FormatVersionMajor='5' FormatVersionMinor='0'/>", KV_OK},
          {Versioned("FormatVersionMinor='2'"), KV_E_NOT_FOUND}, {Versioned("FormatVersionMajor='5'"), KV_E_NOT_FOUND},
          {Major("5", "3"), KV_E_INVALID_DATA}, {Major("4", "2"), KV_E_INVALID_DATA}, {Major(" 5", "2"), KV_OK},
          {Major("5.7", "2"), KV_OK}, {Major("five", "2"), KV_E_INVALID_DATA}, {Major("5", ""), KV_E_INVALID_DATA},
          {Document("<Title>a</Title><Title>b</Title>"), KV_E_INVALID_DATA},
          {Document("<Title>a<!--c--></Title>"), KV_E_INVALID_DATA, kReader},
          {Document("<Title><b/></Title>"), KV_E_INVALID_DATA}, {Document("<Extract/><Extract/>"), KV_E_INVALID_DATA},
          {Document("<Launch/>"), KV_E_INVALID_DATA},
          {Document("<Extract/><Launch><Options>" + option + "</Options></Launch>"), KV_E_INVALID_DATA},
          {Document("<Launch><Options>" + option + "</Options></Launch><Launch/>"), KV_E_INVALID_DATA},
      }),
      Group("Extract", ExtractDocument, {
          {"<ProgressDialog/>", KV_OK}, {"<ProgressDialog Enabled='TRUE'/>", KV_OK},
          {"<ProgressDialog/><ProgressDialog/>", KV_E_INVALID_DATA}, {"<ProgressDialog Enabled='1'/>", KV_E_INVALID_DATA},
          {"<ProgressDialog Enabled=' true'/>", KV_E_INVALID_DATA},  // 1 and blanks: no xs:boolean
          {"<TargetPath>a</TargetPath><TargetPath>b</TargetPath>", KV_E_INVALID_DATA},
          {"<TargetPath><!--c-->a</TargetPath>", KV_E_INVALID_DATA, kReader},
          {"<FolderSelectionDialog/>", KV_E_NOT_FOUND}, {"<FolderSelectionDialog Enabled='no'/>", KV_E_INVALID_DATA},
          {"<FolderSelectionDialog Enabled='false'/><FolderSelectionDialog Enabled='false'/>", KV_E_INVALID_DATA},
      }),
      Group("Launch", LaunchContent, {
          {"<LanguageSelectionDialog/>", KV_E_NOT_FOUND}, {"<LanguageSelectionDialog Enabled='True'/>", KV_OK},
          {"<LanguageSelectionDialog Enabled='on'/>", KV_E_INVALID_DATA},
          {"<LanguageSelectionDialog Enabled='true'/><LanguageSelectionDialog Enabled='true'/>", KV_E_INVALID_DATA},
          {"<ProgressDialog Enabled='false'/><ProgressDialog/>", KV_E_INVALID_DATA},
          {"<Options>" + OptionElement("p") + "</Options>", KV_E_INVALID_DATA},
      }),
      Group("Options", [](const std::string& options) { return LaunchDocument(options); }, {
          {"", KV_E_INVALID_DATA}, {"<Option><Commands><Command Id='a'/></Commands></Option>", KV_E_NOT_FOUND},
          {OptionElement(""), KV_E_NOT_FOUND}, {OptionElement(" o"), KV_E_INVALID_DATA},
          {OptionElement("o&#9;"), KV_E_INVALID_DATA}, {option + option, KV_E_INVALID_DATA},
          {"<Option Id='o'/>", KV_E_INVALID_DATA},
          {OptionElement("o", "<Commands><Command Id='b'/></Commands>"), KV_E_INVALID_DATA},
      }),
      Group("option sets", InOption, {
          {ArchitectureSet({"arm64", "X86", "ia64"}), KV_OK}, {ArchitectureSet({}), KV_E_INVALID_DATA},
          {ArchitectureSet({"AMD64"}), KV_E_INVALID_DATA}, {ArchitectureSet({" x64"}), KV_E_INVALID_DATA},
          {ArchitectureSet({"x64"}) + ArchitectureSet({"x64"}), KV_E_INVALID_DATA},
          {VersionSet({"W10_1809+", "S2019+", "!W11_21H2"}), KV_OK}, {VersionSet({}), KV_E_INVALID_DATA},
          {VersionSet({"w10_1809"}), KV_E_INVALID_DATA}, {VersionSet({"+"}), KV_E_INVALID_DATA},
          {VersionSet({"W10_1809++"}), KV_E_INVALID_DATA}, {VersionSet({"W10_Newer"}), KV_E_INVALID_DATA},
          {"<OSVersionSet><OSVersion Exclude='maybe'>W7</OSVersion></OSVersionSet>", KV_E_INVALID_DATA},
          {VersionSet({"W10_1809", "W10_1809+"}), KV_E_DUPLICATE, kReader},
          {VersionSet({"!W7+", "!W7"}), KV_E_DUPLICATE, kReader},
          {VersionSet({"W7", "!W7"}), KV_OK}, {VersionSet({"W10_1809+", "W11_21H2+"}), KV_E_INVALID_VALUE, kReader},
          {VersionSet({"!S2016+", "!S2022+"}), KV_E_INVALID_VALUE, kReader},
          {VersionSet({"W10_1809+", "!W11_21H2+"}), KV_OK},
          {TagSet({"en-US", "en-us"}), KV_OK}, {TagSet({}), KV_E_INVALID_DATA},
          {TagSet({"de-DE", "de-DE"}), KV_E_DUPLICATE}, {TagSet({"de<!--c-->"}), KV_E_INVALID_DATA, kReader},
      }),
      Group("Commands", CommandsDocument, {
          {"<DefaultCommand>a</DefaultCommand>", KV_E_INVALID_DATA}, {"<Command/>", KV_E_NOT_FOUND},
          {"<Command Id='a'/><Command Id='a'/>", KV_E_INVALID_DATA},
          {"<DefaultCommand>INSTALL</DefaultCommand><Command Id='install'/>", KV_OK},
          {"<Command Id='a'/><DefaultCommand/><Command Id='b'/>", KV_OK},
          {"<Command Id='a'/><DefaultCommand> a</DefaultCommand>", KV_E_NO_UNIQUE_MATCH, kReader},
          {"<Command Id='a'/><DefaultCommand>a</DefaultCommand><DefaultCommand>a</DefaultCommand>", KV_E_INVALID_DATA},
          {"<Command Id='seq'><CommandSequence/></Command>", KV_E_INVALID_DATA},
          // An inline command of a sequence can be the default.
          {"<Command Id='seq'><CommandSequence><SubCommand><Command Id='inline'>" + Shell("") +
               "</Command></SubCommand></CommandSequence></Command><DefaultCommand>Inline</DefaultCommand>",
           KV_OK},
      }),
      Group("ShellExecute and CreateProcess", RunCommand, {
          {Shell("") + Process(""), KV_E_INVALID_DATA}, {Shell("") + Shell(""), KV_E_INVALID_DATA},
          {Shell("Wait='true' AsAdmin='FALSE'", "<Arguments/>" + exe), KV_OK}, {Shell(""), KV_OK},
          {Shell("Hide='false'"), KV_E_INVALID_DATA}, {Shell("Wait='yes'"), KV_E_INVALID_DATA},
          {Process("Wait='false'"), KV_E_INVALID_DATA}, {Process("AsAdmin='true'"), KV_E_INVALID_DATA},
          {Process("Hide='True'"), KV_OK}, {Process("", ""), KV_E_INVALID_DATA},
          {Process("", exe + "<Executable>b</Executable>"), KV_E_INVALID_DATA},
          {Process("", exe + "<Arguments/><Arguments/>"), KV_E_INVALID_DATA},
          {Process("", "<Executable>a<!--c--></Executable>"), KV_E_INVALID_DATA, kReader},
      }),
      Group("SubCommand", StepDocument, {
          {"", KV_E_INVALID_DATA}, {"<Command Id='run'/><Command Id='run'/>", KV_E_INVALID_DATA},
          {"<Command/>", KV_E_NOT_FOUND}, {"<Command Id='missing' ResultName=' R '/>", KV_OK},
          {"<Command Id='seq'/>", KV_OK},
          {"<Command Id='x'><CommandSequence><SubCommand><Command Id='run'/></SubCommand></CommandSequence>"
           "</Command>",
           KV_E_INVALID_DATA},
          // "run" of Commands is added after the sequence; the inline command takes the Id before its sequence.
          {"<Command Id='Run'>" + Process("") + "</Command>", KV_E_INVALID_DATA, kReader},
          {"<Command Id='seq'>" + Process("") + "</Command>", KV_E_INVALID_DATA, kReader},
          {"<BeforeCommand/><Command Id='run'/>", KV_E_INVALID_DATA},
          {"<Command Id='run'/><AfterCommand><Other/></AfterCommand>", KV_E_INVALID_DATA},
          {"<Command Id='run'/><AfterCommand><IfAll/><IfAny/></AfterCommand>", KV_E_INVALID_DATA},
          {"<Command Id='run'/><AfterCommand><IfAll/></AfterCommand><AfterCommand><IfAll/></AfterCommand>",
           KV_E_INVALID_DATA},
          {"<AfterCommand>text<IfAll/></AfterCommand><Command Id='run'/>", KV_OK, kReader},
      }),
      Group("conditions", ConditionDocument, {
          {"<IfAll/>", KV_OK}, {"<IfEqual Value='1'/>", KV_E_NOT_FOUND}, {"<IfLess Parameter='P'/>", KV_E_NOT_FOUND},
          {"<IfGreater Parameter='P' Value='1'><Set Parameter='A' Value='1'/></IfGreater>", KV_E_INVALID_DATA},
          {"<IfGreaterEqual Parameter='P' Value='1'><IfAll/></IfGreaterEqual>", KV_E_INVALID_DATA},
          {"<IfAny><IfLessEqual Parameter='P' Value='1'/><IfFalse><Abort/></IfFalse>"
           "<IfNotEqual Parameter='Q' Value=''/><IfTrue><SkipCommand/></IfTrue></IfAny>",
           KV_OK},
          {"<IfAll><IfTrue><Abort/></IfTrue><Other/></IfAll>", KV_E_INVALID_DATA}, {"<ifall/>", KV_E_INVALID_DATA},
      }),
      Group("actions", Actions, {
          {"", KV_E_INVALID_DATA}, {"<Abort/><Stop/>", KV_E_INVALID_DATA}, {"<Message> </Message>", KV_E_INVALID_DATA},
          {"<Set Value='1'/>", KV_E_NOT_FOUND}, {"<Set Parameter='A'/>", KV_E_NOT_FOUND},
          {"<Message IconType='info' ResultType='yesnocancel' DefaultResult='CANCEL'>m</Message>", KV_OK},
          {"<Message IconType='' ResultType='' DefaultResult=''>m</Message>", KV_OK},
          {"<Message IconType='Fatal'>m</Message>", KV_E_INVALID_DATA},
          {"<Message ResultType='Maybe'>m</Message>", KV_E_INVALID_DATA},
          {"<Message DefaultResult='Maybe' ResultType='YesNo'>m</Message>", KV_E_INVALID_DATA},
          {"<Message DefaultResult='Ok'>m</Message>", KV_E_INVALID_DATA, kReader},
          {"<Message ResultType='YesNo' DefaultResult='Retry'>m</Message>", KV_E_INVALID_DATA, kReader},
          {"<Message>a<!--c--></Message>", KV_E_INVALID_DATA, kReader},
      }),
  };
  return groups;
}
