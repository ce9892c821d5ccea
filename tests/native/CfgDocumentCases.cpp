#include "tests/native/CfgTestDocuments.h"

using namespace kestrova;

namespace {

constexpr Schema kBoth = Schema::Agrees;
constexpr Schema kReader = Schema::ReaderOnly;

std::string Versioned(const std::string& attributes, const std::string& content = "<Extract><TargetPath/></Extract>") {
  return "<SelfExtractor " + attributes + ">" + content + "</SelfExtractor>";
}

std::string ExtractDocument(const std::string& content) { return Document("<Extract>" + content + "</Extract>"); }

std::string LaunchContent(const std::string& content) {
  return Document("<Launch>" + content + "<Options>" + OptionElement("o") + "</Options></Launch>");
}

std::string Architectures(const std::string& entries) {
  return LaunchDocument(OptionElement("o", "<ProcessorArchitectureSet>" + entries + "</ProcessorArchitectureSet>"));
}

std::string Versions(const std::string& entries) {
  return LaunchDocument(OptionElement("o", "<OSVersionSet>" + entries + "</OSVersionSet>"));
}

std::string Tags(const std::string& entries) {
  return LaunchDocument(OptionElement("o", "<LanguageTagSet>" + entries + "</LanguageTagSet>"));
}

std::string Process(const std::string& attributes, const std::string& content = "<Executable>a.exe</Executable>") {
  return "<Command Id=\"run\"><CreateProcess " + attributes + ">" + content + "</CreateProcess></Command>";
}

std::string Shell(const std::string& attributes, const std::string& content = "<Executable>a.exe</Executable>") {
  return "<Command Id=\"run\"><ShellExecute " + attributes + ">" + content + "</ShellExecute></Command>";
}

std::string Actions(const std::string& actions) {
  return ConditionDocument("<IfEqual Parameter=\"P\" Value=\"1\"><IfTrue>" + actions + "</IfTrue></IfEqual>");
}

std::string Nested(int depth) { return depth == 0 ? "" : "<a>" + Nested(depth - 1) + "</a>"; }

}  // namespace

std::string Document(const std::string& content) {
  return Versioned("FormatVersionMajor=\"5\" FormatVersionMinor=\"2\"", content);
}

std::string LaunchDocument(const std::string& options) {
  return Document("<Launch><Options>" + options + "</Options></Launch>");
}

std::string OptionElement(const std::string& id, const std::string& content, const std::string& commands) {
  return "<Option Id=\"" + id + "\">" + content + "<Commands>" + commands + "</Commands></Option>";
}

std::string CommandsDocument(const std::string& commands) { return LaunchDocument(OptionElement("o", "", commands)); }

std::string StepDocument(const std::string& subCommand) {
  return CommandsDocument("<Command Id=\"seq\"><CommandSequence><SubCommand>" + subCommand +
                          "</SubCommand></CommandSequence></Command><Command Id=\"run\"/>");
}

std::string ConditionDocument(const std::string& condition) {
  return StepDocument("<BeforeCommand>" + condition + "</BeforeCommand><Command Id=\"run\"/>");
}

const std::vector<DocumentGroup>& DocumentGroups() {
  static const std::vector<DocumentGroup> groups{
      {"document and SelfExtractor",
       {
           {"", KV_E_XML_MALFORMED, kReader},
           {Document("<Extract>"), KV_E_XML_MALFORMED, kReader},
           {Document("<Extract>" + Nested(97) + "</Extract>"), KV_E_XML_MALFORMED, kReader},  // 100 levels
           {Document("<Extract>" + Nested(96) + "</Extract>"), KV_OK, kReader},
           {"<Other FormatVersionMajor=\"5\" FormatVersionMinor=\"2\"/>", KV_E_INVALID_DATA, kBoth},
           {"<!--c--><SelfExtractor FormatVersionMajor=\"5\" FormatVersionMinor=\"0\"/>", KV_OK, kBoth},
           // The parser accepts a processing instruction only at the very start.
           {Document("<Extract/><?pi x?>"), KV_E_XML_MALFORMED, kReader},
           {Versioned("FormatVersionMinor=\"2\""), KV_E_NOT_FOUND, kBoth},
           {Versioned("FormatVersionMajor=\"5\""), KV_E_NOT_FOUND, kBoth},
           {Versioned("FormatVersionMajor=\"5\" FormatVersionMinor=\"1\""), KV_OK, kBoth},
           {Versioned("FormatVersionMajor=\"5\" FormatVersionMinor=\"3\""), KV_E_INVALID_DATA, kBoth},
           {Versioned("FormatVersionMajor=\"4\" FormatVersionMinor=\"2\""), KV_E_INVALID_DATA, kBoth},
           {Versioned("FormatVersionMajor=\"6\" FormatVersionMinor=\"0\""), KV_E_INVALID_DATA, kBoth},
           {Versioned("FormatVersionMajor=\" 5\" FormatVersionMinor=\"2\""), KV_OK, kBoth},
           {Versioned("FormatVersionMajor=\"5.7\" FormatVersionMinor=\"2\""), KV_OK, kBoth},
           {Versioned("FormatVersionMajor=\"five\" FormatVersionMinor=\"2\""), KV_E_INVALID_DATA, kBoth},
           {Versioned("FormatVersionMajor=\"5\" FormatVersionMinor=\"\""), KV_E_INVALID_DATA, kBoth},
           {Document("<Title>a</Title><Title>b</Title>"), KV_E_INVALID_DATA, kBoth},
           {Document("<Title>a<!--c--></Title>"), KV_E_INVALID_DATA, kReader},
           {Document("<Title><b/></Title>"), KV_E_INVALID_DATA, kBoth},
           {Document("<Extract/><Extract/>"), KV_E_INVALID_DATA, kBoth},
           {Document("<Extract/>" "<Launch><Options>" + OptionElement("o") + "</Options></Launch>"),
            KV_E_INVALID_DATA, kBoth},
           {Document("<Launch><Options>" + OptionElement("o") + "</Options></Launch><Launch/>"), KV_E_INVALID_DATA,
            kBoth},
       }},
      {"Extract",
       {
           {ExtractDocument("<ProgressDialog/>"), KV_OK, kBoth},
           {ExtractDocument("<ProgressDialog Enabled=\"TRUE\"/>"), KV_OK, kBoth},
           {ExtractDocument("<ProgressDialog Enabled=\"yes\"/>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<ProgressDialog Enabled=\"1\"/>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<ProgressDialog Enabled=\" true\"/>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<ProgressDialog/><ProgressDialog/>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<TargetPath>a</TargetPath><TargetPath>b</TargetPath>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<TargetPath><!--c-->a</TargetPath>"), KV_E_INVALID_DATA, kReader},
           {ExtractDocument("<FolderSelectionDialog/>"), KV_E_NOT_FOUND, kBoth},
           {ExtractDocument("<FolderSelectionDialog Enabled=\"no\"/>"), KV_E_INVALID_DATA, kBoth},
           {ExtractDocument("<FolderSelectionDialog Enabled=\"false\"/><FolderSelectionDialog Enabled=\"false\"/>"),
            KV_E_INVALID_DATA, kBoth},
       }},
      {"Launch and Options",
       {
           {LaunchContent("<LanguageSelectionDialog/>"), KV_E_NOT_FOUND, kBoth},
           {LaunchContent("<LanguageSelectionDialog Enabled=\"True\"/>"), KV_OK, kBoth},
           {LaunchContent("<LanguageSelectionDialog Enabled=\"on\"/>"), KV_E_INVALID_DATA, kBoth},
           {LaunchContent("<LanguageSelectionDialog Enabled=\"true\"/><LanguageSelectionDialog Enabled=\"true\"/>"),
            KV_E_INVALID_DATA, kBoth},
           {LaunchContent("<ProgressDialog Enabled=\"false\"/><ProgressDialog/>"), KV_E_INVALID_DATA, kBoth},
           {Document("<Launch/>"), KV_E_INVALID_DATA, kBoth},
           {LaunchContent("<Options>" + OptionElement("p") + "</Options>"), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument(""), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument("<Option><Commands><Command Id=\"a\"/></Commands></Option>"), KV_E_NOT_FOUND, kBoth},
           {LaunchDocument(OptionElement("")), KV_E_NOT_FOUND, kBoth},
           {LaunchDocument(OptionElement(" o")), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument(OptionElement("o&#9;")), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument(OptionElement("o") + OptionElement("o")), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument(OptionElement("Opt") + OptionElement("oPT")), KV_E_INVALID_DATA, kReader},
           {LaunchDocument("<Option Id=\"o\"/>"), KV_E_INVALID_DATA, kBoth},
           {LaunchDocument(OptionElement("o", "<Commands><Command Id=\"b\"/></Commands>")), KV_E_INVALID_DATA, kBoth},
       }},
      {"ProcessorArchitectureSet",
       {
           {Architectures("<ProcessorArchitecture>arm64</ProcessorArchitecture>"
                          "<ProcessorArchitecture>X86</ProcessorArchitecture>"
                          "<ProcessorArchitecture>ia64</ProcessorArchitecture>"),
            KV_OK, kBoth},
           {Architectures(""), KV_E_INVALID_DATA, kBoth},
           {Architectures("<ProcessorArchitecture>AMD64</ProcessorArchitecture>"), KV_E_INVALID_DATA, kBoth},
           {Architectures("<ProcessorArchitecture> x64</ProcessorArchitecture>"), KV_E_INVALID_DATA, kBoth},
           {Architectures("<ProcessorArchitecture>x64</ProcessorArchitecture>"
                          "<ProcessorArchitecture>X64</ProcessorArchitecture>"),
            KV_E_DUPLICATE, kReader},
           {LaunchDocument(OptionElement("o", "<ProcessorArchitectureSet><ProcessorArchitecture>x64"
                                              "</ProcessorArchitecture></ProcessorArchitectureSet>"
                                              "<ProcessorArchitectureSet><ProcessorArchitecture>x64"
                                              "</ProcessorArchitecture></ProcessorArchitectureSet>")),
            KV_E_INVALID_DATA, kBoth},
       }},
      {"OSVersionSet",
       {
           {Versions("<OSVersion>W10_1809+</OSVersion><OSVersion>S2019+</OSVersion>"
                     "<OSVersion Exclude=\"true\">W11_21H2</OSVersion>"),
            KV_OK, kBoth},
           {Versions(""), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion>w10_1809</OSVersion>"), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion>+</OSVersion>"), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion>W10_1809++</OSVersion>"), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion>W10_Newer</OSVersion>"), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion Exclude=\"maybe\">W7</OSVersion>"), KV_E_INVALID_DATA, kBoth},
           {Versions("<OSVersion>W10_1809</OSVersion><OSVersion>W10_1809+</OSVersion>"), KV_E_DUPLICATE, kReader},
           {Versions("<OSVersion Exclude=\"true\">W7+</OSVersion><OSVersion Exclude=\"TRUE\">W7</OSVersion>"),
            KV_E_DUPLICATE, kReader},
           {Versions("<OSVersion>W7</OSVersion><OSVersion Exclude=\"true\">W7</OSVersion>"), KV_OK, kBoth},
           {Versions("<OSVersion>W10_1809+</OSVersion><OSVersion>W11_21H2+</OSVersion>"), KV_E_INVALID_VALUE, kReader},
           {Versions("<OSVersion Exclude=\"true\">S2016+</OSVersion><OSVersion Exclude=\"true\">S2022+</OSVersion>"),
            KV_E_INVALID_VALUE, kReader},
           {Versions("<OSVersion>W10_1809+</OSVersion><OSVersion Exclude=\"true\">W11_21H2+</OSVersion>"), KV_OK,
            kBoth},
       }},
      {"LanguageTagSet",
       {
           {Tags("<LanguageTag>en-US</LanguageTag><LanguageTag>en-us</LanguageTag>"), KV_OK, kBoth},
           {Tags(""), KV_E_INVALID_DATA, kBoth},
           {Tags("<LanguageTag>de-DE</LanguageTag><LanguageTag>de-DE</LanguageTag>"), KV_E_DUPLICATE, kBoth},
           {Tags("<LanguageTag>de<!--c--></LanguageTag>"), KV_E_INVALID_DATA, kReader},
       }},
      {"Commands",
       {
           {CommandsDocument("<DefaultCommand>a</DefaultCommand>"), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument("<Command/>"), KV_E_NOT_FOUND, kBoth},
           {CommandsDocument("<Command Id=\"Install\"/><Command Id=\"install\"/>"), KV_E_INVALID_DATA, kReader},
           {CommandsDocument("<Command Id=\"a\"/><Command Id=\"a\"/>"), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument("<DefaultCommand>INSTALL</DefaultCommand><Command Id=\"install\"/>"), KV_OK, kBoth},
           {CommandsDocument("<Command Id=\"a\"/><DefaultCommand/><Command Id=\"b\"/>"), KV_OK, kBoth},
           {CommandsDocument("<Command Id=\"a\"/><DefaultCommand>b</DefaultCommand>"), KV_E_NO_UNIQUE_MATCH, kReader},
           {CommandsDocument("<Command Id=\"a\"/><DefaultCommand> a</DefaultCommand>"), KV_E_NO_UNIQUE_MATCH, kReader},
           {CommandsDocument("<Command Id=\"a\"/><DefaultCommand>a</DefaultCommand><DefaultCommand>a</DefaultCommand>"),
            KV_E_INVALID_DATA, kBoth},
           {CommandsDocument("<Command Id=\"a\"><ShellExecute><Executable>x</Executable></ShellExecute>"
                             "<CreateProcess><Executable>x</Executable></CreateProcess></Command>"),
            KV_E_INVALID_DATA, kBoth},
           {CommandsDocument("<Command Id=\"a\"><ShellExecute><Executable>x</Executable></ShellExecute>"
                             "<ShellExecute><Executable>x</Executable></ShellExecute></Command>"),
            KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Shell("Wait=\"true\" AsAdmin=\"FALSE\"", "<Arguments/><Executable>a</Executable>")), KV_OK, kBoth},
           {CommandsDocument(Shell("")), KV_OK, kBoth},
           {CommandsDocument(Shell("Hide=\"false\"")), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Shell("Wait=\"yes\"")), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Process("Wait=\"false\"")), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Process("AsAdmin=\"true\"")), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Process("Hide=\"True\"")), KV_OK, kBoth},
           {CommandsDocument(Process("", "")), KV_E_INVALID_DATA, kBoth},
           {CommandsDocument(Process("", "<Executable>a</Executable><Executable>b</Executable>")), KV_E_INVALID_DATA,
            kBoth},
           {CommandsDocument(Process("", "<Executable>a</Executable><Arguments/><Arguments/>")), KV_E_INVALID_DATA,
            kBoth},
           {CommandsDocument(Process("", "<Executable>a<!--c--></Executable>")), KV_E_INVALID_DATA, kReader},
           {CommandsDocument("<Command Id=\"seq\"><CommandSequence/></Command>"), KV_E_INVALID_DATA, kBoth},
       }},
      {"SubCommand",
       {
           {StepDocument(""), KV_E_INVALID_DATA, kBoth},
           {StepDocument("<Command Id=\"run\"/><Command Id=\"run\"/>"), KV_E_INVALID_DATA, kBoth},
           {StepDocument("<Command/>"), KV_E_NOT_FOUND, kBoth},
           {StepDocument("<Command Id=\"missing\" ResultName=\" R \"/>"), KV_OK, kBoth},
           {StepDocument("<Command Id=\"seq\"/>"), KV_OK, kBoth},
           {StepDocument("<Command Id=\"x\"><CommandSequence><SubCommand><Command Id=\"run\"/></SubCommand>"
                         "</CommandSequence></Command>"),
            KV_E_INVALID_DATA, kBoth},
           {StepDocument("<Command Id=\"Run\"><CreateProcess><Executable>a</Executable></CreateProcess></Command>"),
            KV_E_INVALID_DATA, kReader},  // "run" of Commands is added after the sequence
           {StepDocument("<Command Id=\"seq\"><CreateProcess><Executable>a</Executable></CreateProcess></Command>"),
            KV_E_INVALID_DATA, kReader},  // the inline command takes the Id before its sequence
           {CommandsDocument("<Command Id=\"seq\"><CommandSequence><SubCommand><Command Id=\"inline\">"
                             "<ShellExecute><Executable>a</Executable></ShellExecute></Command></SubCommand>"
                             "</CommandSequence></Command><DefaultCommand>Inline</DefaultCommand>"),
            KV_OK, kBoth},
           {StepDocument("<BeforeCommand/><Command Id=\"run\"/>"), KV_E_INVALID_DATA, kBoth},
           {StepDocument("<Command Id=\"run\"/><AfterCommand><Other/></AfterCommand>"), KV_E_INVALID_DATA, kBoth},
           {StepDocument("<Command Id=\"run\"/><AfterCommand><IfAll/><IfAny/></AfterCommand>"), KV_E_INVALID_DATA,
            kBoth},
           {StepDocument("<Command Id=\"run\"/><AfterCommand><IfAll/></AfterCommand><AfterCommand><IfAll/>"
                         "</AfterCommand>"),
            KV_E_INVALID_DATA, kBoth},
           {StepDocument("<AfterCommand>text<IfAll/></AfterCommand><Command Id=\"run\"/>"), KV_OK, kReader},
       }},
      {"conditions and actions",
       {
           {ConditionDocument("<IfAll/>"), KV_OK, kBoth},
           {ConditionDocument("<IfEqual Value=\"1\"/>"), KV_E_NOT_FOUND, kBoth},
           {ConditionDocument("<IfLess Parameter=\"P\"/>"), KV_E_NOT_FOUND, kBoth},
           {ConditionDocument("<IfGreater Parameter=\"P\" Value=\"1\"><Set Parameter=\"A\" Value=\"1\"/></IfGreater>"),
            KV_E_INVALID_DATA, kBoth},
           {ConditionDocument("<IfGreaterEqual Parameter=\"P\" Value=\"1\"><IfAll/></IfGreaterEqual>"),
            KV_E_INVALID_DATA, kBoth},
           {ConditionDocument("<IfAny><IfLessEqual Parameter=\"P\" Value=\"1\"/><IfFalse><Abort/></IfFalse>"
                              "<IfNotEqual Parameter=\"Q\" Value=\"\"/><IfTrue><SkipCommand/></IfTrue></IfAny>"),
            KV_OK, kBoth},
           {ConditionDocument("<IfAll><IfTrue><Abort/></IfTrue><Other/></IfAll>"), KV_E_INVALID_DATA, kBoth},
           {ConditionDocument("<ifall/>"), KV_E_INVALID_DATA, kBoth},
           {Actions(""), KV_E_INVALID_DATA, kBoth},
           {Actions("<Abort/><Stop/>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Set Value=\"1\"/>"), KV_E_NOT_FOUND, kBoth},
           {Actions("<Set Parameter=\"A\"/>"), KV_E_NOT_FOUND, kBoth},
           {Actions("<Message/>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Message> </Message>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Message IconType=\"info\" ResultType=\"yesnocancel\" DefaultResult=\"CANCEL\">m</Message>"), KV_OK,
            kBoth},
           {Actions("<Message IconType=\"\" ResultType=\"\" DefaultResult=\"\">m</Message>"), KV_OK, kBoth},
           {Actions("<Message IconType=\"Fatal\">m</Message>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Message ResultType=\"Maybe\">m</Message>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Message DefaultResult=\"Maybe\" ResultType=\"YesNo\">m</Message>"), KV_E_INVALID_DATA, kBoth},
           {Actions("<Message DefaultResult=\"Ok\">m</Message>"), KV_E_INVALID_DATA, kReader},
           {Actions("<Message ResultType=\"YesNo\" DefaultResult=\"Retry\">m</Message>"), KV_E_INVALID_DATA, kReader},
           {Actions("<Message>a<!--c--></Message>"), KV_E_INVALID_DATA, kReader},
       }},
  };
  return groups;
}
