#include "app/RunPlan.h"

#include "app/Task.h"
#include "config/Cfg.h"
#include "support/Failure.h"
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

PlannedTask FramedTask(PlannedTaskKind kind, std::u16string name, const std::u16string& target, bool hidden) {
  PlannedTask task;
  task.kind = kind;
  task.name = std::move(name);
  task.target = target;
  task.hidden = hidden;
  return task;
}

PlannedTask ExtractTask(const std::u16string& target, bool hidden, std::uint32_t minimumDurationMs) {
  PlannedTask task = FramedTask(PlannedTaskKind::ExtractFiles, kExtractFilesName, target, hidden);
  task.minimumDurationMs = minimumDurationMs;
  return task;
}

PlannedTask DeleteTask(const std::u16string& target) {
  PlannedTask task = FramedTask(PlannedTaskKind::DeleteExtractedFiles, kDeleteExtractedFilesName, target, true);
  task.alwaysRun = true;
  return task;
}

PlannedTask LaunchTask(const CfgCommand& command, const std::u16string& name, const std::u16string& target,
                       const std::u16string& language, const CmdLineData& cmdLine) {
  PlannedTask task = FramedTask(PlannedTaskKind::ExecuteLaunchCommand, name, target, true);
  LaunchCommand& launch = task.launch;
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
        KV_RETURN_IF_FAILED(step->ResolveCommand(stepCommand), "resolving sub-command {}", step->CommandId);
        if (!IsRunnable(*stepCommand)) {
          return KV_FAIL(kestrova::KV_E_FAIL, "sub-command {}: not a ShellExecute or CreateProcess command",
                         step->CommandId);
        }
        PlannedTask task = LaunchTask(*stepCommand, step->CommandId, target, language, cmdLine);
        if (step->BeforeCommand) task.launch.beforeCommand = step->BeforeCommand->Condition;
        if (step->AfterCommand) task.launch.afterCommand = step->AfterCommand->Condition;
        task.launch.resultName = step->ResultName;
        if (stepCommand->Type == CommandType::ShellExecuteCommand && !stepCommand->Wait) deleteAfterwards = false;
        tasks.push_back(std::move(task));
      }
      return kestrova::KV_OK;
    default:
      return KV_FAIL(kestrova::KV_E_FAIL, "command {}: a type that cannot run", command.Id);
  }
}

KVResult SettleLanguage(const CfgLaunch& launch, const CmdLineData& cmdLine, RunInteraction& interaction,
                        std::u16string& language, LanguageSource& source) {
  const CfgOptions* options = launch.Options.get();
  const std::set<std::u16string>* offered =
      options && options->LanguageTags ? &options->LanguageTags->Tags : nullptr;
  LanguageMgr languages(interaction.Locales(), offered);
  KV_RETURN_IF_FAILED(languages.Initialize(), "loading the offered languages");
  if (!cmdLine.language.empty()) {
    if (languages.SelectByTag(cmdLine.language) != kestrova::KV_OK) {
      return KV_FAIL(kestrova::KV_E_BAD_COMMAND_LINE, "selecting the language {} of the command line: not offered",
                     cmdLine.language);
    }
    language = cmdLine.language;
    source = LanguageSource::CommandLine;
    return kestrova::KV_OK;
  }
  source = LanguageSource::DisplayLanguage;
  if (DialogWanted(cmdLine.gui, launch.LanguageSelectionDialogEnabled)) {
    if (languages.Languages().size() >= 2) {
      interaction.ShowLanguageDialog(languages);
      source = LanguageSource::Dialog;
    } else if (languages.Languages().size() == 1) {
      languages.SelectByTag(languages.Languages().front().tag);
      source = LanguageSource::OnlyOffered;
    }
  }
  if (languages.Selected().tag.empty()) {
    return KV_FAIL(kestrova::KV_E_NO_UNIQUE_MATCH, "settling the language: none of the {} offered is selected",
                   languages.Languages().size());
  }
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
      case FolderDialogResult::Cancelled:
        return KV_FAIL(kestrova::KV_E_CANCELLED, "choosing the target folder: the dialog was cancelled");
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
  if (!launch.Options) return KV_FAIL(kestrova::KV_E_NO_UNIQUE_MATCH, "choosing an option: the document has none");
  KV_RETURN_IF_FAILED(launch.Options->SelectOption(plan.language, plan.option),
                      "choosing the option for the language \"{}\"", plan.language);
  const KVResult r = plan.option->Commands->GetCommand(cmdLine.command, plan.command);
  if (r == kestrova::KV_E_NOT_FOUND) {
    KV_FAIL(r, "finding the command \"{}\" of the command line in option {}", cmdLine.command, plan.option->Id);
    return kestrova::KV_E_BAD_COMMAND_LINE;
  }
  KV_RETURN_IF_FAILED(r, "choosing the command of option {}", plan.option->Id);
  bool deleteAfterwards = false;
  KV_RETURN_IF_FAILED(PlanLaunchTasks(*plan.command, target, plan.language, cmdLine, plan.tasks, deleteAfterwards),
                      "building the tasks of command {}", plan.command->Id);
  if (!internal && deleteAfterwards) plan.tasks.push_back(DeleteTask(target));
  return kestrova::KV_OK;
}

}  // namespace

KVResult PlanRun(const Cfg& cfg, const CmdLineData& cmdLine, RunInteraction& interaction, RunPlan& plan) {
  plan = RunPlan{};
  const CfgLaunch* launch = cfg.Launch.get();
  if (!cfg.Extract && (!launch || !launch->Options || launch->Options->CandidateIds.empty())) {
    return KV_FAIL(kestrova::KV_E_UNSUPPORTED_SYSTEM, "finding an option for this system: no candidate");
  }
  if (launch && (!launch->Options || !launch->Options->LanguageNeutral)) {
    plan.languageStepRan = true;
    KV_RETURN_IF_FAILED(SettleLanguage(*launch, cmdLine, interaction, plan.language, plan.languageSource),
                        "the language step");
  }
  if (cfg.Extract) return PlanExtractMode(*cfg.Extract, cmdLine, interaction, plan);
  return PlanLaunchMode(*launch, cmdLine, plan);
}

std::string_view LanguageSourceText(LanguageSource source) {
  switch (source) {
    case LanguageSource::None: return "no language step";
    case LanguageSource::CommandLine: return "the command line";
    case LanguageSource::Dialog: return "the language dialog";
    case LanguageSource::OnlyOffered: return "the only language offered";
    case LanguageSource::DisplayLanguage: return "the user's display language";
  }
  return "";
}

std::u16string_view PlannedTaskKindName(PlannedTaskKind kind) {
  switch (kind) {
    case PlannedTaskKind::ExtractFiles: return u"ExtractFiles";
    case PlannedTaskKind::ExecuteLaunchCommand: return u"ExecuteLaunchCommand";
    case PlannedTaskKind::DeleteExtractedFiles: return u"DeleteExtractedFiles";
  }
  return u"";
}
