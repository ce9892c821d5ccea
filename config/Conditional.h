// Conditions around the steps of a command sequence: the kinds of condition and the actions they run.
// The records are read-only once read; commands/Conditions.h evaluates them and performs the actions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

enum class ConditionalType : std::int32_t {
  None = 0,
  IfEqual = 1,
  IfNotEqual = 2,
  IfLess = 3,
  IfLessEqual = 4,
  IfGreater = 5,
  IfGreaterEqual = 6,
  IfAll = 7,
  IfAny = 8,
};

// The element name of a condition kind ("IfEqual"), letter case exact; None for any other name.
ConditionalType ConditionalTypeFromName(std::string_view elementName);
std::string_view ConditionalTypeName(ConditionalType type);  // empty for None

enum class MessageIcon : std::int32_t { Error = 0, Warning = 1, Info = 2, Question = 3 };
enum class MessageButtons : std::int32_t {
  Ok = 0,
  OkCancel = 1,
  RetryCancel = 2,
  CancelRetryContinue = 3,
  YesNo = 4,
  YesNoCancel = 5,
};
enum class MessageResult : std::int32_t { Ok = 0, Cancel = 1, Retry = 2, Continue = 3, Yes = 4, No = 5 };

// Attribute keywords, ASCII letters compared without regard to case. False for any other text.
bool MessageIconFromName(std::u16string_view name, MessageIcon& icon);
bool MessageButtonsFromName(std::u16string_view name, MessageButtons& buttons);
// A result that `buttons` offers; an empty name gives the buttons' default (their first result).
bool MessageDefaultResultFromName(MessageButtons buttons, std::u16string_view name, MessageResult& result);
// Where `buttons` place `result`, counting from 0 at the left; false when they do not offer it.
bool MessageButtonPosition(MessageButtons buttons, MessageResult result, std::size_t& position);
// "Ok", "Cancel", "Retry", "Continue", "Yes", "No": the text stored under a message's result name.
std::u16string_view MessageResultName(MessageResult result);

// An action of an IfTrue or IfFalse list. Shared between the configuration and the tasks that run it.
class ConditionalAction {
 public:
  virtual ~ConditionalAction() = default;
  ConditionalAction(const ConditionalAction&) = delete;
  ConditionalAction& operator=(const ConditionalAction&) = delete;

 protected:
  ConditionalAction() = default;
};

// Set, SkipCommand ("SkipCommand" = "True") and Abort ("Abort" = "True").
class ConditionalSetParam final : public ConditionalAction {
 public:
  ConditionalSetParam(std::u16string parameter, std::u16string value)
      : Parameter(std::move(parameter)), Value(std::move(value)) {}

  std::u16string Parameter;
  std::u16string Value;  // stored as configured, not expanded
};

// A message box; the pressed button's name goes to the parameter `ResultName` when that is not empty.
class ConditionalMessage final : public ConditionalAction {
 public:
  MessageIcon Icon = MessageIcon::Error;
  MessageButtons Buttons = MessageButtons::Ok;
  MessageResult DefaultResult = MessageResult::Ok;
  std::u16string ResultName;
  std::u16string Text;  // never empty once read
};
