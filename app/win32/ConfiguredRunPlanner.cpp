#include "app/win32/ConfiguredRunPlanner.h"

#include "app/CmdLine.h"
#include "app/ProcessValues.h"
#include "app/RunPlan.h"
#include "app/win32/PlannedTasks.h"
#include "config/win32/LoadConfiguration.h"
#include "config/win32/Win32SystemFacts.h"
#include "ui/LanguageMgr.h"
#include "ui/win32/SystemLocaleInfo.h"

using kestrova::KVResult;

namespace {

// The language and folder dialogs are not part of this build: a dialog that cannot be shown leaves the
// choice that is already made.
class StubRunInteraction final : public RunInteraction {
 public:
  kestrova::KVLocaleInfo& Locales() override { return locales_; }
  void ShowLanguageDialog(LanguageMgr& /*languages*/) override {}
  FolderDialogResult ShowFolderDialog(std::u16string& /*folder*/) override { return FolderDialogResult::NotShown; }

 private:
  SystemLocaleInfo locales_;
};

KVResult LoadProcessConfiguration(Cfg& cfg) {
  Win32SystemFacts facts;
  KVResult r = LoadConfiguration(cfg, facts);
  if (r == kestrova::KV_E_NO_CONFIGURATION) r = cfg.UseDefaultExtract(u"", facts);
  SetApplicationTitle(cfg.Title);  // also after a failure: the error message carries the title read so far
  return r;
}

}  // namespace

KVResult ConfiguredRunPlanner::PlanRun(const RunEnvironment& environment, TaskList& tasks) {
  Cfg& cfg = GlobalCfg();
  if (const KVResult r = LoadProcessConfiguration(cfg); r != kestrova::KV_OK) return r;
  StubRunInteraction interaction;
  RunPlan plan;
  if (const KVResult r = ::PlanRun(cfg, CmdLineValues, interaction, plan); r != kestrova::KV_OK) return r;
  return CreatePlannedTasks(plan, environment, tasks);
}
