// One command of a run as the task list holds it: a CreateProcess or ShellExecute command, alone or as a step of a
// sequence, with the conditions around it.
#pragma once
#include <optional>
#include <string>

#include "config/CfgConditional.h"

struct LaunchCommand {
  bool useCreateProcess = false;  // false: ShellExecute
  std::u16string executable;      // as configured, unexpanded
  std::u16string arguments;       // as configured, with the passthrough text appended
  bool hide = false;              // CreateProcess
  bool wait = false;              // ShellExecute
  bool asAdmin = false;           // ShellExecute; never in the elevated copy
  std::u16string language;        // handed to the elevated copy
  std::optional<Conditional> beforeCommand;
  std::optional<Conditional> afterCommand;
  std::u16string resultName;      // empty for a single command
};
