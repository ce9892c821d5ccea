// Placeholder of the condition API (the real one arrives with its implementation).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/Parameters.h"
#include "config/CfgConditional.h"
#include "support/ErrorCodes.h"

class ActionHost {
 public:
  virtual ParameterStore& Parameters() = 0;
  virtual kestrova::KVResult ExpandMessageText(const std::u16string& text, std::u16string& expanded) = 0;
  virtual bool MessagesShown() = 0;
  virtual kestrova::KVResult ShowMessageBox(const std::u16string& text, std::uint32_t style, MessageResult& answer,
                                            bool& answered) = 0;

 protected:
  ~ActionHost() = default;
};

kestrova::KVResult EvaluateCondition(const Conditional& node, ActionHost& host, bool& result);
kestrova::KVResult PerformActions(const std::vector<std::shared_ptr<ConditionalAction>>& actions, ActionHost& host);
kestrova::KVResult MessageBoxStyle(MessageIcon icon, MessageButtons buttons, MessageResult defaultResult,
                                   std::uint32_t& style);
bool MessageResultFromButtonId(int id, MessageResult& result);
