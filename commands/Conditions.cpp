#include "commands/Conditions.h"

#include <array>

#include "support/Failure.h"
#include "support/Log.h"

using kestrova::KV_E_FAIL;
using kestrova::KV_OK;
using kestrova::KVResult;

namespace {

// The winuser.h values; this code does not include windows.h.
constexpr std::uint32_t kSystemModal = 0x1000;  // MB_SYSTEMMODAL

// Indexed by MessageIcon.
constexpr std::array<std::uint32_t, 4> kIconStyles{
    0x10,  // MB_ICONERROR
    0x30,  // MB_ICONWARNING
    0x40,  // MB_ICONINFORMATION
    0x20,  // MB_ICONQUESTION
};

// Indexed by MessageButtons.
constexpr std::array<std::uint32_t, 6> kButtonsStyles{
    0x0,  // MB_OK
    0x1,  // MB_OKCANCEL
    0x5,  // MB_RETRYCANCEL
    0x6,  // MB_CANCELTRYCONTINUE
    0x4,  // MB_YESNO
    0x3,  // MB_YESNOCANCEL
};

// Indexed by the default button's position.
constexpr std::array<std::uint32_t, 3> kDefaultButtonStyles{
    0x000,  // MB_DEFBUTTON1
    0x100,  // MB_DEFBUTTON2
    0x200,  // MB_DEFBUTTON3
};

struct ButtonAnswer {
  int id;
  MessageResult result;
};
constexpr std::array<ButtonAnswer, 7> kButtonAnswers{{
    {1, MessageResult::Ok},         // IDOK
    {2, MessageResult::Cancel},     // IDCANCEL
    {4, MessageResult::Retry},      // IDRETRY
    {10, MessageResult::Retry},     // IDTRYAGAIN: the middle button of MB_CANCELTRYCONTINUE
    {11, MessageResult::Continue},  // IDCONTINUE
    {6, MessageResult::Yes},        // IDYES
    {7, MessageResult::No},         // IDNO
}};

// Below zero, zero or above zero as the stored value is less than, equal to or greater than the configured one.
int CompareValues(const std::u16string& stored, const std::u16string& configured) {
  std::int64_t storedNumber = 0;
  std::int64_t configuredNumber = 0;
  if (ParseNumber64(stored, storedNumber) == KV_OK && ParseNumber64(configured, configuredNumber) == KV_OK) {
    return (storedNumber > configuredNumber) - (storedNumber < configuredNumber);
  }
  return stored.compare(configured);  // UTF-16 code units; a prefix is smaller
}

// A missing parameter makes every comparison false.
KVResult EvaluateComparison(const Conditional& node, const ParameterStore& store, bool& holds) {
  const std::u16string* stored = store.Find(node.Parameter);
  const int order = stored == nullptr ? 0 : CompareValues(*stored, node.Value);
  bool satisfied = false;
  switch (node.Type) {
    case ConditionalType::IfEqual: satisfied = order == 0; break;
    case ConditionalType::IfNotEqual: satisfied = order != 0; break;
    case ConditionalType::IfLess: satisfied = order < 0; break;
    case ConditionalType::IfLessEqual: satisfied = order <= 0; break;
    case ConditionalType::IfGreater: satisfied = order > 0; break;
    case ConditionalType::IfGreaterEqual: satisfied = order >= 0; break;
    default: return KV_FAIL(KV_E_FAIL, "evaluating a condition of type {}", static_cast<int>(node.Type));
  }
  holds = stored != nullptr && satisfied;
  if (stored == nullptr) {
    kestrova::KVLogEvent("{} {}: not set, so false", ConditionalTypeName(node.Type), node.Parameter);
  } else {
    kestrova::KVLogEvent("{} {}: \"{}\" with \"{}\" is {}", ConditionalTypeName(node.Type), node.Parameter,
                         *stored, node.Value, holds ? "true" : "false");
  }
  return KV_OK;
}

// IfAll (every child true) and IfAny (some child true); every child is evaluated, for its actions.
KVResult EvaluateChildren(const Conditional& node, ActionHost& host, bool& holds) {
  const std::string_view name = ConditionalTypeName(node.Type);
  if (node.Children.empty()) return KV_FAIL(KV_E_FAIL, "evaluating an {} without conditions", name);
  const bool all = node.Type == ConditionalType::IfAll;
  bool combined = all;
  for (std::size_t i = 0; i < node.Children.size(); ++i) {
    bool child = false;
    KV_RETURN_IF_FAILED(EvaluateCondition(node.Children[i], host, child), "evaluating condition {} of {}", i + 1,
                        name);
    combined = all ? combined && child : combined || child;
  }
  holds = combined;
  return KV_OK;
}

KVResult ShowMessage(const ConditionalMessage& message, ActionHost& host) {
  MessageResult answer = message.DefaultResult;
  if (host.MessagesShown()) {
    std::u16string text;
    KV_RETURN_IF_FAILED(host.ExpandMessageText(message.Text, text), "expanding the message text \"{}\"",
                        message.Text);
    std::uint32_t style = 0;
    KV_RETURN_IF_FAILED(MessageBoxStyle(message.Icon, message.Buttons, message.DefaultResult, style),
                        "choosing the style of the message \"{}\"", text);
    bool answered = false;
    KV_RETURN_IF_FAILED(host.ShowMessageBox(text, style, answer, answered), "showing the message \"{}\"", text);
    if (!answered) {
      kestrova::KVLogEvent("message \"{}\" not shown: the main thread was not reached", text);
      return KV_OK;
    }
  }
  if (!message.ResultName.empty()) {
    const std::u16string_view name = MessageResultName(answer);
    kestrova::KVLogEvent("message answered {}, stored in {}", name, message.ResultName);
    host.Parameters().Set(message.ResultName, std::u16string(name));
  }
  return KV_OK;
}

KVResult PerformAction(const ConditionalAction* action, ActionHost& host) {
  if (const auto* set = dynamic_cast<const ConditionalSetParam*>(action)) {
    kestrova::KVLogEvent("parameter {} set to \"{}\"", set->Parameter, set->Value);
    host.Parameters().Set(set->Parameter, set->Value);
    return KV_OK;
  }
  if (const auto* message = dynamic_cast<const ConditionalMessage*>(action)) return ShowMessage(*message, host);
  return KV_FAIL(KV_E_FAIL, "performing an action of no known kind");
}

}  // namespace

KVResult EvaluateCondition(const Conditional& node, ActionHost& host, bool& result) {
  const std::string_view name = ConditionalTypeName(node.Type);
  bool holds = false;
  if (node.Type == ConditionalType::IfAll || node.Type == ConditionalType::IfAny) {
    KV_RETURN_IF_FAILED(EvaluateChildren(node, host, holds), "evaluating {}", name);
  } else {
    KV_RETURN_IF_FAILED(EvaluateComparison(node, host.Parameters(), holds), "evaluating {} on {}", name,
                        node.Parameter);
  }
  KV_RETURN_IF_FAILED(PerformActions(holds ? node.TrueActions : node.FalseActions, host),
                      "performing the {} actions of {}", holds ? "IfTrue" : "IfFalse", name);
  result = holds;
  return KV_OK;
}

KVResult PerformActions(const std::vector<std::shared_ptr<ConditionalAction>>& actions, ActionHost& host) {
  for (std::size_t i = 0; i < actions.size(); ++i) {
    KV_RETURN_IF_FAILED(PerformAction(actions[i].get(), host), "performing action {} of {}", i + 1, actions.size());
  }
  return KV_OK;
}

KVResult MessageBoxStyle(MessageIcon icon, MessageButtons buttons, MessageResult defaultResult, std::uint32_t& style) {
  const auto iconIndex = static_cast<std::size_t>(icon);
  const auto buttonsIndex = static_cast<std::size_t>(buttons);
  std::size_t position = 0;
  if (iconIndex >= kIconStyles.size() || buttonsIndex >= kButtonsStyles.size() ||
      !MessageButtonPosition(buttons, defaultResult, position) || position >= kDefaultButtonStyles.size()) {
    return KV_FAIL(KV_E_FAIL, "a message box with icon {}, buttons {} and default {}", static_cast<int>(icon),
                   static_cast<int>(buttons), static_cast<int>(defaultResult));
  }
  style = kSystemModal | kIconStyles[iconIndex] | kButtonsStyles[buttonsIndex] | kDefaultButtonStyles[position];
  return KV_OK;
}

bool MessageResultFromButtonId(int id, MessageResult& result) {
  for (const ButtonAnswer& answer : kButtonAnswers) {
    if (answer.id == id) {
      result = answer.result;
      return true;
    }
  }
  return false;
}
