#include "app/RunPlan.h"

#include "app/Task.h"
#include "config/Cfg.h"
#include "ui/LanguageMgr.h"

using kestrova::KVResult;

namespace {

constexpr std::uint32_t kLaunchExtractMinimumMs = 1000;

bool DialogWanted(CmdLine::SFXGuiMode gui, bool enabledByConfiguration) {
  return gui == CmdLine::SFXGuiMode::On || (gui == CmdLine::SFXGuiMode::NotGiven && enabledByConfiguration);
}

bool ProgressHidden(CmdLine::SFXGuiMode gui, bool progressEnabled) {
  return gui == CmdLine::SFXGuiMode::Off || (gui == CmdLine::SFXGuiMode::NotGiven && !progressEnabled);
}

PlannedTask FramedTask(PlannedTaskKind kind, std::u16string name, std::u16string statusText,
                       const std::u16string& target, bool hidden) {
  PlannedTask task;
  task.kind = kind;
  task.name = std::move(name);
  task.statusText = std::move(statusText);
  task.target = target;
  task.hidden = hidden;
  return task;
}

PlannedTask ExtractTask(const std::u16string& target, bool hidden, std::uint32_t minimumDurationMs) {
  PlannedTask task = FramedTask(PlannedTaskKind::ExtractFiles, kExtractFilesName, kExtractFilesStatus, target, hidden);
  task.minimumDurationMs = minimumDurationMs;
  return task;
}

PlannedTask DeleteTask(const std::u16string& target) {
  PlannedTask task = FramedTask(PlannedTaskKind::DeleteExtractedFiles, kDeleteExtractedFilesName,
                                kDeleteExtractedFilesStatus, target, true);
  task.alwaysRun = true;
  return task;
}

PlannedTask LaunchTask(const CfgCommand& command, const std::u16string& name, const std::u16string& target,
                       const std::u16string& language, const CmdLineData& cmdLine) {
  PlannedTask task =
      FramedTask(PlannedTaskKind::ExecuteLaunchCommand, name, kExecuteLaunchCommandStatus, target, true);
  LaunchTaskPlan& launch = task.launch;
  launch.useCreateProcess = command.Type == CommandType::CreateProcessCommand;
  if (launch.useCreateProcess) {
    launch.hide = command.Hide;
  } else {
    launch.wait = command.Wait;
    launch.asAdmin = cmdLine.internal == CmdLine::SFXInternalMode::Relaunch ? false : command.AsAdmin;
  }
  launch.executable = command.Executable;
  launch.arguments = command.Arguments;
  if (!cmdLine.passthrough.empty()) launch.arguments += u' ' + cmdLine.passthrough;
  launch.language = language;
  return task;
}

bool IsRunnable(const CfgCommand& command) {
  return command.Type == CommandType::ShellExecuteCommand || command.Type == CommandType::CreateProcessCommand;
}

// One launch task per command to run; `deleteAfterwards` says whether the extracted files go afterwards.
KVResult PlanLaunchTasks(const CfgCommand& command, const std::u16string& target, const std::u16string& language,
                         const CmdLineData& cmdLine, std::vector<PlannedTask>& tasks, bool& deleteAfterwards) {
  switch (command.Type) {
    case CommandType::ShellExecuteCommand:
    case CommandType::CreateProcessCommand:
      tasks.push_back(LaunchTask(command, command.Id, target, language, cmdLine));
      deleteAfterwards = command.Type == CommandType::CreateProcessCommand || command.Wait;
      return kestrova::KV_OK;
    case CommandType::CommandSequence:
      deleteAfterwards = true;
      for (const auto& step : command.SubCommands) {
        std::shared_ptr<CfgCommand> stepCommand;
        if (const KVResult r = step->ResolveCommand(stepCommand); r != kestrova::KV_OK) return r;
        if (!IsRunnable(*stepCommand)) return kestrova::KV_E_FAIL;
        PlannedTask task = LaunchTask(*stepCommand, step->CommandId, target, language, cmdLine);
        if (step->BeforeCommand) task.launch.beforeCommand = step->BeforeCommand->Condition;
        if (step->AfterCommand) task.launch.afterCommand = step->AfterCommand->Condition;
        task.launch.resultName = step->ResultName;
        if (stepCommand->Type == CommandType::ShellExecuteCommand && !stepCommand->Wait) deleteAfterwards = false;
        tasks.push_back(std::move(task));
      }
      return kestrova::KV_OK;
    default:
      return kestrova::KV_E_FAIL;
  }
}

KVResult SettleLanguage(const CfgLaunch& launch, const CmdLineData& cmdLine, RunInteraction& interaction,
                        std::u16string& language) {
  const CfgOptions* options = launch.Options.get();
  const std::set<std::u16string>* offered =
      options && options->LanguageTags ? &options->LanguageTags->Tags : nullptr;
  LanguageMgr languages(interaction.Locales(), offered);
  if (const KVResult r = languages.Initialize(); r != kestrova::KV_OK) return r;
  if (!cmdLine.language.empty()) {
    if (languages.SelectByTag(cmdLine.language) != kestrova::KV_OK) return kestrova::KV_E_BAD_COMMAND_LINE;
    language = cmdLine.language;
    return kestrova::KV_OK;
  }
  if (DialogWanted(cmdLine.gui, launch.LanguageSelectionDialogEnabled)) {
    if (languages.Languages().size() >= 2) {
      interaction.ShowLanguageDialog(languages);
    } else if (languages.Languages().size() == 1) {
      languages.SelectByTag(languages.Languages().front().tag);
    }
  }
  if (languages.Selected().tag.empty()) return kestrova::KV_E_NO_UNIQUE_MATCH;
  language = languages.Selected().tag;
  return kestrova::KV_OK;
}

KVResult PlanExtractMode(const CfgExtract& extract, const CmdLineData& cmdLine, RunInteraction& interaction,
                         RunPlan& plan) {
  std::u16string target = cmdLine.target.empty() ? extract.TargetPath : cmdLine.target;
  if (DialogWanted(cmdLine.gui, extract.FolderSelectionDialogEnabled)) {
    std::u16string chosen = target;
    switch (interaction.ShowFolderDialog(chosen)) {
      case FolderDialogResult::Ok: target = chosen; break;
      case FolderDialogResult::Cancelled: return kestrova::KV_E_CANCELLED;
      case FolderDialogResult::NotShown: break;  // the target stays
    }
  }
  plan.tasks.push_back(ExtractTask(target, ProgressHidden(cmdLine.gui, extract.ProgressDialogEnabled), 0));
  return kestrova::KV_OK;
}

KVResult PlanLaunchMode(const CfgLaunch& launch, const CmdLineData& cmdLine, RunPlan& plan) {
  const std::u16string target = cmdLine.target.empty() ? launch.TargetPath : cmdLine.target;
  const bool hidden = ProgressHidden(cmdLine.gui, launch.ProgressDialogEnabled);
  const bool internal = cmdLine.internal == CmdLine::SFXInternalMode::Relaunch;
  if (!internal) plan.tasks.push_back(ExtractTask(target, hidden, hidden ? 0 : kLaunchExtractMinimumMs));
  if (!launch.Options) return kestrova::KV_E_NO_UNIQUE_MATCH;
  if (const KVResult r = launch.Options->SelectOption(plan.language, plan.option); r != kestrova::KV_OK) return r;
  KVResult r = plan.option->Commands->GetCommand(cmdLine.command, plan.command);
  if (r == kestrova::KV_E_NOT_FOUND) return kestrova::KV_E_BAD_COMMAND_LINE;
  if (r != kestrova::KV_OK) return r;
  bool deleteAfterwards = false;
  r = PlanLaunchTasks(*plan.command, target, plan.language, cmdLine, plan.tasks, deleteAfterwards);
  if (r != kestrova::KV_OK) return r;
  if (!internal && deleteAfterwards) plan.tasks.push_back(DeleteTask(target));
  return kestrova::KV_OK;
}

}  // namespace

KVResult PlanRun(const Cfg& cfg, const CmdLineData& cmdLine, RunInteraction& interaction, RunPlan& plan) {
  plan = RunPlan{};
  const CfgLaunch* launch = cfg.Launch.get();
  if (!cfg.Extract && (!launch || !launch->Options || launch->Options->CandidateIds.empty())) {
    return kestrova::KV_E_UNSUPPORTED_SYSTEM;
  }
  if (launch && (!launch->Options || !launch->Options->LanguageNeutral)) {
    plan.languageStepRan = true;
    if (const KVResult r = SettleLanguage(*launch, cmdLine, interaction, plan.language); r != kestrova::KV_OK) {
      return r;
    }
  }
  if (cfg.Extract) return PlanExtractMode(*cfg.Extract, cmdLine, interaction, plan);
  return PlanLaunchMode(*launch, cmdLine, plan);
}

std::u16string_view PlannedTaskKindName(PlannedTaskKind kind) {
  switch (kind) {
    case PlannedTaskKind::ExtractFiles: return u"ExtractFiles";
    case PlannedTaskKind::ExecuteLaunchCommand: return u"ExecuteLaunchCommand";
    case PlannedTaskKind::DeleteExtractedFiles: return u"DeleteExtractedFiles";
  }
  return u"";
}
