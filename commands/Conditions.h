// Evaluating the condition of a command-sequence step and performing its actions.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/Parameters.h"
#include "config/CfgConditional.h"
#include "config/Conditional.h"
#include "support/ErrorCodes.h"

// What conditions and actions need from the run.
class ActionHost {
 public:
  virtual ParameterStore& Parameters() = 0;
  // The message text with its variables expanded (the run does ExpandVariables with kMessageVariables,
  // the task's raw target path and the store).
  virtual kestrova::KVResult ExpandMessageText(const std::u16string& text, std::u16string& expanded) = 0;
  // False when the command line says --gui off: no box is shown and the default result stands.
  virtual bool MessagesShown() = 0;
  // Shows a message box on the main thread and waits for it. `answered` is false when the main thread could
  // not be reached (then the action records nothing); `answer` is the button pressed (a zero return of the
  // box keeps the default, which the caller passes in `answer`).
  virtual kestrova::KVResult ShowMessageBox(const std::u16string& text, std::uint32_t style, MessageResult& answer,
                                            bool& answered) = 0;

 protected:
  ~ActionHost() = default;
};

// Evaluates `node` and runs its IfTrue or IfFalse actions; IfAll and IfAny evaluate every child in order, each
// with its own actions. A comparison reads the parameter from the store: a missing one makes every comparison
// false; two numbers (ParseNumber64) compare as signed numbers, anything else as UTF-16 text, letter case exact.
// The first error ends the evaluation.
kestrova::KVResult EvaluateCondition(const Conditional& node, ActionHost& host, bool& result);
// Performs the actions in order; the first error ends the list.
kestrova::KVResult PerformActions(const std::vector<std::shared_ptr<ConditionalAction>>& actions, ActionHost& host);
// MB_* style of a message box: MB_SYSTEMMODAL | icon | buttons | default button; KV_E_FAIL for a
// combination that does not exist.
kestrova::KVResult MessageBoxStyle(MessageIcon icon, MessageButtons buttons, MessageResult defaultResult,
                                   std::uint32_t& style);
// The answer for a MessageBoxW return value (IDOK 1, IDCANCEL 2, IDRETRY 4, IDTRYAGAIN 10, IDCONTINUE 11,
// IDYES 6, IDNO 7); false for 0 or anything else.
bool MessageResultFromButtonId(int id, MessageResult& result);
