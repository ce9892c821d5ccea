// What a run will do, decided from the loaded configuration and the command line before any task starts:
// the language, the option and command, and the task list with every task's fields. The stub turns the
// plan into tasks; `kvsfx plan` prints it.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CmdLine.h"
#include "commands/LaunchCommand.h"
#include "support/ErrorCodes.h"
#include "support/UiLanguageMgr.h"

class Cfg;
class CfgCommand;
class CfgOption;
class LanguageMgr;

enum class PlannedTaskKind { ExtractFiles, ExecuteLaunchCommand, DeleteExtractedFiles };

struct PlannedTask {
  PlannedTaskKind kind = PlannedTaskKind::ExtractFiles;
  std::u16string name;
  std::u16string target;  // as configured or given on the command line, before any expansion
  bool hidden = false;
  std::uint32_t minimumDurationMs = 0;
  bool alwaysRun = false;
  LaunchCommand launch;  // ExecuteLaunchCommand only
};

// Where the run's language came from.
enum class LanguageSource { None, CommandLine, Dialog, OnlyOffered, DisplayLanguage };
std::string_view LanguageSourceText(LanguageSource source);  // "the command line", ...

struct RunPlan {
  bool languageStepRan = false;
  std::u16string language;
  LanguageSource languageSource = LanguageSource::None;
  std::shared_ptr<CfgOption> option;    // launch mode
  std::shared_ptr<CfgCommand> command;  // launch mode
  std::vector<PlannedTask> tasks;
};

// How the folder dialog ended: a folder chosen, cancelled by the user, or the dialog could not be shown.
enum class FolderDialogResult { Ok, Cancelled, NotShown };

// The parts of planning that ask the user or the system.
class RunInteraction {
 public:
  virtual kestrova::KVLocaleInfo& Locales() = 0;
  // The language dialog over the manager's languages; its outcome is the manager's selection.
  virtual void ShowLanguageDialog(LanguageMgr& languages) = 0;
  // The folder dialog starting at `folder`; with Ok, `folder` is the choice.
  virtual FolderDialogResult ShowFolderDialog(std::u16string& folder) = 0;

 protected:
  ~RunInteraction() = default;
};

// Everything after loading the configuration: the supported-system check, the language step, the target,
// the folder dialog, option and command selection, and the task list.
kestrova::KVResult PlanRun(const Cfg& cfg, const CmdLineData& cmdLine, RunInteraction& interaction,
                           RunPlan& plan);

std::u16string_view PlannedTaskKindName(PlannedTaskKind kind);  // "ExtractFiles", ...
