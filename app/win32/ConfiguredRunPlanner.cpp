#include "app/win32/ConfiguredRunPlanner.h"

#include <string>

#include "app/CmdLine.h"
#include "app/ProcessValues.h"
#include "app/RunPlan.h"
#include "app/win32/PlannedTasks.h"
#include "commands/win32/SystemVariableFacts.h"
#include "config/win32/LoadConfiguration.h"
#include "config/win32/Win32SystemFacts.h"
#include "support/Failure.h"
#include "support/Log.h"
#include "support/win32/Win32Failure.h"
#include "ui/LanguageMgr.h"
#include "ui/win32/ExtractToDlg.h"
#include "ui/win32/LanguageDlg.h"
#include "ui/win32/SystemLocaleInfo.h"

using kestrova::KVResult;

namespace {

// The language and folder dialogs, owned by the active window; a dialog that cannot be shown leaves the choice
// that is already made.
class DialogRunInteraction final : public RunInteraction {
 public:
  kestrova::KVLocaleInfo& Locales() override { return locales_; }

  void ShowLanguageDialog(LanguageMgr& languages) override {
    LanguageDlg dialog(languages, ApplicationTitle());
    const INT_PTR result = dialog.Run(::GetModuleHandleW(nullptr), ::GetActiveWindow());
    if (result == 0 || result == -1) KV_FAIL(kestrova::KVLastError(), "showing the language dialog");
  }

  FolderDialogResult ShowFolderDialog(std::u16string& folder) override {
    SystemVariableFacts facts;
    ExtractToDlg dialog(folder, facts, ApplicationTitle());
    const INT_PTR result = dialog.Run(::GetModuleHandleW(nullptr), ::GetActiveWindow());
    if (result == IDOK) {
      folder = dialog.FolderPath();
      return FolderDialogResult::Ok;
    }
    if (result > 0) return FolderDialogResult::Cancelled;
    KV_FAIL(kestrova::KVLastError(), "showing the folder dialog");
    return FolderDialogResult::NotShown;
  }

 private:
  SystemLocaleInfo locales_;
};

const char* ModeText(const Cfg& cfg, bool defaultExtractor) {
  if (defaultExtractor) return "extract mode (no configuration resource: the default extractor)";
  return cfg.Extract ? "extract mode" : "launch mode";
}

KVResult LoadProcessConfiguration(Cfg& cfg, Win32SystemFacts& facts) {
  KVResult r = LoadConfiguration(cfg, facts);
  const bool defaultExtractor = r == kestrova::KV_E_NO_CONFIGURATION;
  if (defaultExtractor) r = cfg.UseDefaultExtract(u"", facts);
  SetApplicationTitle(cfg.Title);  // also after a failure: the error message carries the title read so far
  KV_RETURN_IF_FAILED(r, "loading the configuration");
  kestrova::KVLogEvent("configuration: \"{}\", {}", cfg.Title, ModeText(cfg, defaultExtractor));
  return kestrova::KV_OK;
}

// A fact as it was found, or why it is unknown.
template <class T>
std::string Fact(KVResult result, const T& value) {
  return result == kestrova::KV_OK ? kestrova::KVFormat("{}", value) : kestrova::KVFormat("unknown (0x{:08X})", result);
}

// The facts the choice of option rests on, for the log.
void LogSystemFacts(Win32SystemFacts& facts, kestrova::KVLocaleInfo& locales) {
  if (!kestrova::KVLogActive()) return;
  WindowsVersion version = WindowsVersion::OtherWindows;
  const KVResult versionResult = facts.GetWindowsVersion(version);
  bool admin = false;
  const KVResult adminResult = facts.IsUserAdmin(admin);
  std::u16string displayLanguage;
  const KVResult languageResult = locales.GetUserUiLocaleName(displayLanguage);
  kestrova::KVLogEvent("system: Windows {}, native architecture {}, administrator {}, display language {}",
                       Fact(versionResult, WindowsVersionName(version)),
                       ProcessorArchName(facts.GetNativeProcessorArch()), Fact(adminResult, admin ? "yes" : "no"),
                       Fact(languageResult, displayLanguage));
}

void LogPlan(const RunPlan& plan) {
  if (plan.languageStepRan) {
    kestrova::KVLogEvent("language: {} (from {})", plan.language, LanguageSourceText(plan.languageSource));
  }
  if (plan.option) kestrova::KVLogEvent("option: {}", plan.option->Id);
  if (plan.command) kestrova::KVLogEvent("command: {}", plan.command->Id);
  for (const PlannedTask& task : plan.tasks) {
    kestrova::KVLogEvent("planned task {} in \"{}\"{}", task.name, task.target, task.hidden ? "" : ", progress shown");
  }
}

}  // namespace

KVResult ConfiguredRunPlanner::PlanRun(const RunEnvironment& environment, TaskList& tasks) {
  Cfg& cfg = GlobalCfg();
  Win32SystemFacts facts;
  DialogRunInteraction interaction;
  LogSystemFacts(facts, interaction.Locales());
  KV_RETURN_IF_FAILED(LoadProcessConfiguration(cfg, facts), "reading the configuration of the installer");
  RunPlan plan;
  KV_RETURN_IF_FAILED(::PlanRun(cfg, CmdLineValues, interaction, plan), "planning the run");
  LogPlan(plan);
  KV_RETURN_IF_FAILED(CreatePlannedTasks(plan, environment, tasks), "creating the tasks");
  return kestrova::KV_OK;
}
