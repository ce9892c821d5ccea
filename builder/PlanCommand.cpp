// kvsfx plan
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/RunOutcome.h"
#include "app/CmdLine.h"
#include "app/RunPlan.h"
#include "builder/Cli.h"
#include "builder/ConfigCheck.h"
#include "builder/MachineKinds.h"
#include "builder/WindowsCommandLine.h"
#include "commands/RunLaunchCommand.h"
#include "config/ConfigErrors.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Formatter.h"
#include "support/Text.h"
#include "ui/LanguageMgr.h"

using kestrova::KVFormat;
using kestrova::Utf16ToUtf8;
using kestrova::Utf8ToUtf16;

namespace kestrova {

const char kPlanUsage[] =
    "usage: kvsfx plan FILE [--windows NAME|BUILD] [--server] [--arch ARCH] [--admin] [--ui-language TAG]\n"
    "                  [--language TAG] [--command ID] [--passthrough TEXT] [--gui on|off] [--target PATH]\n"
    "                  [--internal] [-- INSTALLER ARGUMENTS...]\n"
    "\n"
    "Tells what an installer (or a configuration document) would do on a given machine: the options that fit,\n"
    "the languages offered, the language, option and command chosen, and the tasks with their fields; or the\n"
    "exact error code and message the installer would end with.\n"
    "\n"
    "  --windows NAME|BUILD  a version name as in OSVersion (W7 ... W11_23H2, S2008R2 ... S2022) or one that only\n"
    "                        detection gives (W10_Newer, S_Newer, W_Future, S_Future, OtherWindows), or a\n"
    "                        Windows 10/11/Server build number (default W11_23H2)\n"
    "  --server              the build number is a server's\n"
    "  --arch ARCH           native processor architecture: x86, x64, ARM64, ARM, IA64 (default x64)\n"
    "  --admin               the installer runs with administrator rights\n"
    "  --ui-language TAG     the user's Windows display language (default en-US)\n"
    "  --language, --command, --passthrough TEXT, --gui, --target, --internal\n"
    "                        the installer's own command-line options\n"
    "  -- ARGUMENTS...       the installer's command line as a program would start it with these arguments\n"
    "                        (each quoted as Windows needs), read by the installer's own parser: what follows\n"
    "                        the word passthrough is handed to every command as it stands, quotes and all\n"
    "  -h, --help            show this help\n";

namespace {

struct PlanOptions {
  std::string path;
  std::string windows = "W11_23H2";
  bool server = false;
  std::string arch = "x64";
  bool admin = false;
  std::string uiLanguage = "en-US";
  std::string language, command, passthrough, gui, target;
  bool internal = false;
  std::vector<std::string> installerArguments;  // after "--"
};

// Knows every locale; its names are the locale names themselves.
class PlanLocales final : public kestrova::KVLocaleInfo {
 public:
  explicit PlanLocales(std::u16string user) : user_(std::move(user)) {}
  KVResult GetDisplayNames(const std::u16string& name, std::u16string& english, std::u16string& localized) override {
    english = localized = name;
    return kestrova::KV_OK;
  }
  KVResult GetUserUiLocaleName(std::u16string& name) override {
    name = user_;
    return kestrova::KV_OK;
  }

 private:
  std::u16string user_;
};

// Dialogs are noted, not shown: the language dialog keeps the default, the folder dialog the target.
class PlanInteraction final : public RunInteraction {
 public:
  explicit PlanInteraction(std::u16string user) : locales_(std::move(user)) {}
  kestrova::KVLocaleInfo& Locales() override { return locales_; }
  void ShowLanguageDialog(LanguageMgr& /*languages*/) override { notes.push_back("the language dialog is shown"); }
  FolderDialogResult ShowFolderDialog(std::u16string& /*folder*/) override {
    notes.push_back("the folder dialog is shown, starting at the target");
    return FolderDialogResult::NotShown;
  }
  std::vector<std::string> notes;

 private:
  PlanLocales locales_;
};

bool ParseWindows(const std::string& text, bool server, WindowsVersion& version) {
  const std::u16string name = Utf8ToUtf16(text);
  if (WindowsVersionFromAnyName(name, version)) return true;
  std::uint32_t build = 0;
  if (ParseBuildNumber(name, build) != kestrova::KV_OK) return false;
  version = server ? ServerVersionFromBuild(build) : WorkstationVersionFromBuild(build);
  return true;
}

std::string VersionText(WindowsVersion version) {
  return KVFormat("{} ({}, value {})", Utf16ToUtf8(WindowsVersionName(version)),
                  IsServerVersion(version) ? "server" : "workstation", static_cast<std::int32_t>(version));
}

std::string YesNo(bool value) { return value ? "yes" : "no"; }

std::string VersionSetText(const CfgOSVersionSet& set) {
  std::string text;
  const auto entry = [&](WindowsVersion v, WindowsVersion laterWorkstation, WindowsVersion laterServer,
                         const char* prefix) {
    text += (text.empty() ? "" : " ") + std::string(prefix) + Utf16ToUtf8(WindowsVersionName(v)) +
            (v == laterWorkstation || v == laterServer ? "+" : "");
  };
  for (const WindowsVersion v : set.Included) entry(v, set.IncludedLaterWorkstation, set.IncludedLaterServer, "");
  for (const WindowsVersion v : set.Excluded) entry(v, set.ExcludedLaterWorkstation, set.ExcludedLaterServer, "not ");
  return text;
}

std::string OptionText(const CfgOption& option, const MachineKind& machine, bool candidate) {
  std::string text;
  if (option.ProcessorArchitectureSet) {
    text += "architectures";
    for (const ProcessorArch a : option.ProcessorArchitectureSet->Architectures) text += " " + Utf16ToUtf8(ProcessorArchName(a));
  } else {
    text += "every architecture";
  }
  text += "; " + (option.OSVersionSet ? "versions " + VersionSetText(*option.OSVersionSet) : std::string("every version"));
  text += "; ";
  if (option.LanguageTagSet && !option.LanguageTagSet->Tags.empty()) {
    text += "languages";
    for (const std::u16string& tag : option.LanguageTagSet->Tags) text += " " + Utf16ToUtf8(tag);
  } else {
    text += "language-neutral";
  }
  if (!candidate) {
    const bool archFits = !option.ProcessorArchitectureSet || option.ProcessorArchitectureSet->Contains(machine.arch);
    text += archFits ? "  (the Windows version does not fit)" : "  (the architecture does not fit)";
  }
  return text;
}

std::string ActionText(const ConditionalAction& action) {
  if (const auto* set = dynamic_cast<const ConditionalSetParam*>(&action)) {
    return "Set " + Utf16ToUtf8(set->Parameter) + "=\"" + Utf16ToUtf8(set->Value) + "\"";
  }
  if (const auto* message = dynamic_cast<const ConditionalMessage*>(&action)) {
    std::string text = "Message \"" + Utf16ToUtf8(message->Text) + "\"";
    if (!message->ResultName.empty()) text += " -> " + Utf16ToUtf8(message->ResultName);
    return text;
  }
  return "?";
}

std::string ActionsText(const std::vector<std::shared_ptr<ConditionalAction>>& actions) {
  std::string text;
  for (const auto& action : actions) text += (text.empty() ? "" : "; ") + ActionText(*action);
  return "[" + text + "]";
}

std::string ConditionText(const Conditional& condition) {
  std::string text(ConditionalTypeName(condition.Type));
  if (condition.Type == ConditionalType::IfAll || condition.Type == ConditionalType::IfAny) {
    std::string children;
    for (const Conditional& child : condition.Children) children += (children.empty() ? "" : ", ") + ConditionText(child);
    text += "(" + children + ")";
  } else {
    text += "(" + Utf16ToUtf8(condition.Parameter) + ", \"" + Utf16ToUtf8(condition.Value) + "\")";
  }
  if (!condition.TrueActions.empty()) text += " then " + ActionsText(condition.TrueActions);
  if (!condition.FalseActions.empty()) text += " else " + ActionsText(condition.FalseActions);
  return text;
}

std::string TaskText(std::size_t index, const PlannedTask& task, const std::u16string& tail) {
  std::string text = KVFormat("  {}. {} ({})\n", index + 1, Utf16ToUtf8(task.name),
                              Utf16ToUtf8(PlannedTaskKindName(task.kind)));
  text += KVFormat("       target: {}\n       progress dialog: {}", Utf16ToUtf8(task.target),
                   task.hidden ? "hidden" : "shown");
  if (task.minimumDurationMs != 0) text += KVFormat(", at least {} ms", task.minimumDurationMs);
  if (task.alwaysRun) text += "; always runs, also after a failure";
  text += "\n";
  if (task.kind != PlannedTaskKind::ExecuteLaunchCommand) return text;
  const LaunchCommand& launch = task.launch;
  text += KVFormat("       {}: {}\n", launch.useCreateProcess ? "CreateProcess" : "ShellExecute",
                   Utf16ToUtf8(launch.executable));
  text += KVFormat("       arguments: {}\n", Utf16ToUtf8(launch.arguments));
  text += launch.useCreateProcess ? "       hide: " + YesNo(launch.hide)
                                  : "       wait: " + YesNo(launch.wait) + ", as administrator: " + YesNo(launch.asAdmin);
  if (!launch.language.empty()) text += ", language: " + Utf16ToUtf8(launch.language);
  if (!launch.resultName.empty()) text += ", result into: " + Utf16ToUtf8(launch.resultName);
  text += "\n";
  text += "       call: " + Utf16ToUtf8(DescribeLaunchCall(launch, u"<installer>", tail)) + "\n";
  if (launch.useCreateProcess && IsBareProgramName(launch.executable)) {
    text += "       program: " + Utf16ToUtf8(launch.executable) +
            " is looked for in ${TargetPath}, then the system folder, the Windows folder and PATH, never beside the "
            "installer\n";
  }
  if (launch.beforeCommand) text += "       before: " + ConditionText(*launch.beforeCommand) + "\n";
  if (launch.afterCommand) text += "       after: " + ConditionText(*launch.afterCommand) + "\n";
  return text;
}

// The installer's own arguments: the options given to plan for them, then those after "--"; --passthrough last,
// as the installer hands on everything after it.
std::vector<std::u16string> InstallerArguments(const PlanOptions& options) {
  std::vector<std::u16string> arguments;
  const auto add = [&arguments](const char* name, const std::string& value) {
    if (value.empty()) return;
    arguments.push_back(Utf8ToUtf16(name));
    arguments.push_back(Utf8ToUtf16(value));
  };
  add("--language", options.language);
  add("--command", options.command);
  add("--gui", options.gui);
  add("--target", options.target);
  if (options.internal) add("--internal", "1");
  for (const std::string& argument : options.installerArguments) arguments.push_back(Utf8ToUtf16(argument));
  add("--passthrough", options.passthrough);
  return arguments;
}

// `meaning` when the code does not come from choosing the option and the command.
std::string OutcomeText(KVResult code, const char* meaning = nullptr) {
  const std::string message = Utf16ToUtf8(ErrorMessageText(code));
  std::string text = KVFormat("outcome:   the installer ends with 0x{:08X} {} ({})", code,
                              DescribeSelectionError(code).name,
                              meaning != nullptr ? meaning : DescribeSelectionError(code).meaning);
  if (!message.empty()) text += " and shows \"" + message + "\"";
  return text + "\n";
}

// Reads the document as the installer would on the machine; false (with the outcome printed) when it cannot.
bool ReadDocumentOnMachine(const std::string& text, bool found, SimulatedSystemFacts& facts, Cfg& cfg) {
  if (!found) {
    std::printf("document:  none: the installer runs as a plain extractor\n");
    if (const KVResult r = cfg.UseDefaultExtract(u"", facts); r != kestrova::KV_OK) {
      std::fputs(OutcomeText(r).c_str(), stdout);
      return false;
    }
    return true;
  }
  const ConfigReadReport report = ReadConfiguration(cfg, text, facts);
  if (report.code == kestrova::KV_OK) return true;
  const ConfigErrorLocation& where = report.location;
  std::printf("document:  cannot be read on this machine: %s\n", DescribeReadFailure(report).c_str());
  if (!where.elementPath.empty()) {
    std::printf("           at %s%s, line %d\n", where.elementPath.c_str(),
                where.attribute.empty() ? "" : (", attribute " + where.attribute).c_str(), where.line);
  }
  std::printf("outcome:   the installer ends with 0x%08X and shows \"%s\"\n", report.code,
              Utf16ToUtf8(ErrorMessageText(report.code)).c_str());
  return false;
}

// Each option, whether it is a candidate on the machine and why, and the languages offered.
void PrintOptions(const CfgOptions& configured, const MachineKind& machine) {
  std::printf("options:\n");
  for (const std::u16string& id : configured.OptionIds) {
    const bool candidate =
        std::find(configured.CandidateIds.begin(), configured.CandidateIds.end(), id) != configured.CandidateIds.end();
    std::printf("  %-14s %-13s %s\n", Utf16ToUtf8(id).c_str(), candidate ? "candidate" : "not candidate",
                OptionText(*configured.OptionsById.at(id), machine, candidate).c_str());
  }
  std::string offered;
  if (configured.LanguageTags) {
    for (const std::u16string& tag : configured.LanguageTags->Tags) {
      offered += (offered.empty() ? "" : ", ") + Utf16ToUtf8(tag);
    }
  }
  std::printf("languages: %s\n", configured.LanguageNeutral ? "none asked for: the candidate is language-neutral"
                                 : offered.empty()            ? "none"
                                                              : offered.c_str());
}

// The installer's command line, read by the installer's own parser (the passthrough split included); false
// (with the outcome printed) when the installer refuses it.
bool ReadInstallerCommandLine(const PlanOptions& options, CmdLineData& cmdLine) {
  const std::u16string raw = JoinCommandLine(u"setup.exe", InstallerArguments(options));
  std::printf("command line: %s\n", Utf16ToUtf8(raw).c_str());
  std::string parserMessage;
  if (ParseRawCommandLine(raw, SplitCommandLine, cmdLine, [&](const std::string& m) { parserMessage = m; }) !=
      kestrova::KV_OK) {
    std::printf("           %s\n", parserMessage.c_str());
    std::fputs(OutcomeText(KV_E_BAD_COMMAND_LINE, "the installer refuses its command line").c_str(), stdout);
    return false;
  }
  if (!cmdLine.passthrough.empty()) {
    std::printf("passthrough: %s (appended to every command)\n", Utf16ToUtf8(cmdLine.passthrough).c_str());
  }
  return true;
}

// The tasks of a plan that succeeded, whether the cleanup follows, and the outcome.
void PrintTasks(const RunPlan& plan, const Cfg& cfg, const PlanOptions& options, const std::u16string& tail) {
  std::printf("tasks:\n");
  bool cleanup = false;
  for (std::size_t i = 0; i < plan.tasks.size(); ++i) {
    std::fputs(TaskText(i, plan.tasks[i], tail).c_str(), stdout);
    cleanup = cleanup || plan.tasks[i].kind == PlannedTaskKind::DeleteExtractedFiles;
  }
  if (cfg.Launch) {
    std::printf("cleanup:   %s\n", cleanup ? "the extracted files are deleted after the commands"
                                  : options.internal ? "none: the first copy deletes the files"
                                                     : "none: a ShellExecute command that does not wait keeps them");
  }
  std::printf("outcome:   %s\n", cfg.Launch ? "the exit code is SfxExitCode, which the commands set (0 when none does)"
                                            : "0 once the payload is extracted");
}

int Plan(const PlanOptions& options, const MachineKind& machine) {
  std::string text;
  bool found = false;
  std::string error;
  if (LoadConfigurationText(options.path, text, found, error) != kestrova::KV_OK) return ReportFailure("plan", error);

  SimulatedSystemFacts facts;
  facts.windowsVersion = machine.version;
  facts.nativeArch = machine.arch;
  facts.isAdmin = options.admin;
  std::printf("machine:   Windows %s, %s, administrator: %s, display language %s\n", VersionText(machine.version).c_str(),
              Utf16ToUtf8(ProcessorArchName(machine.arch)).c_str(), YesNo(options.admin).c_str(),
              options.uiLanguage.c_str());
  Cfg cfg;
  if (!ReadDocumentOnMachine(text, found, facts, cfg)) return kExitOk;
  std::printf("mode:      %s; title \"%s\"\n", cfg.Launch ? "launch" : "extract", Utf16ToUtf8(cfg.Title).c_str());
  if (cfg.Launch && cfg.Launch->Options) PrintOptions(*cfg.Launch->Options, machine);

  CmdLineData cmdLine;
  if (!ReadInstallerCommandLine(options, cmdLine)) return kExitOk;
  PlanInteraction interaction(Utf8ToUtf16(options.uiLanguage));
  RunPlan plan;
  const KVResult result = PlanRun(cfg, cmdLine, interaction, plan);
  for (const std::string& note : interaction.notes) std::printf("dialog:    %s\n", note.c_str());
  if (plan.languageStepRan && !plan.language.empty()) std::printf("language:  %s\n", Utf16ToUtf8(plan.language).c_str());
  if (plan.option) std::printf("option:    %s\n", Utf16ToUtf8(plan.option->Id).c_str());
  if (plan.command) {
    std::printf("command:   %s (%s)\n", Utf16ToUtf8(plan.command->Id).c_str(),
                std::string(CommandTypeName(plan.command->Type)).c_str());
  }
  if (result != kestrova::KV_OK) {
    std::fputs(OutcomeText(result).c_str(), stdout);
    return kExitOk;
  }
  PrintTasks(plan, cfg, options, cmdLine.tail);
  return kExitOk;
}

}  // namespace

int RunPlanCommand(const std::vector<std::string>& arguments) {
  PlanOptions options;
  // The installer's own command line follows "--".
  const auto dashes = std::find(arguments.begin(), arguments.end(), "--");
  if (dashes != arguments.end()) options.installerArguments.assign(dashes + 1, arguments.end());
  const std::vector<std::string> own(arguments.begin(), dashes);
  CommandOptions parser("plan");
  parser.Positional(options.path, true)
      .Value("", "windows", options.windows)
      .Flag("server", options.server)
      .Value("", "arch", options.arch)
      .Flag("admin", options.admin)
      .Value("", "ui-language", options.uiLanguage)
      .Value("", "language", options.language)
      .Value("", "command", options.command)
      .Value("", "passthrough", options.passthrough)
      .Value("", "gui", options.gui)
      .Value("", "target", options.target)
      .Flag("internal", options.internal);
  if (const int status = parser.Parse(own); status != kExitOk) return status;
  MachineKind machine;
  if (!ParseWindows(options.windows, options.server, machine.version)) {
    return parser.UsageError("not a Windows version name or build number: " + options.windows);
  }
  if (!ProcessorArchFromName(Utf8ToUtf16(options.arch), machine.arch)) {
    return parser.UsageError("not a processor architecture: " + options.arch);
  }
  return Plan(options, machine);
}

}  // namespace kestrova
