#include "config/Conditional.h"

#include <array>

#include "support/Text.h"

namespace {

constexpr std::array<std::string_view, 9> kConditionNames{
    "", "IfEqual", "IfNotEqual", "IfLess", "IfLessEqual", "IfGreater", "IfGreaterEqual", "IfAll", "IfAny"};

constexpr std::array<std::u16string_view, 4> kIconNames{u"Error", u"Warning", u"Info", u"Question"};
constexpr std::array<std::u16string_view, 6> kButtonsNames{u"Ok",         u"OkCancel",            u"RetryCancel",
                                                           u"CancelRetryContinue", u"YesNo", u"YesNoCancel"};
constexpr std::array<std::u16string_view, 6> kResultNames{u"Ok", u"Cancel", u"Retry", u"Continue", u"Yes", u"No"};

// The results each set of buttons offers, in button order (the first is the default); indexed by MessageButtons.
using R = MessageResult;
struct OfferedResults {
  std::size_t count;
  std::array<MessageResult, 3> results;
};
constexpr std::array<OfferedResults, 6> kOfferedResults{{
    {1, {R::Ok}},
    {2, {R::Ok, R::Cancel}},
    {2, {R::Retry, R::Cancel}},
    {3, {R::Cancel, R::Retry, R::Continue}},
    {2, {R::Yes, R::No}},
    {3, {R::Yes, R::No, R::Cancel}},
}};

template <class Enum, std::size_t N>
bool FindKeyword(const std::array<std::u16string_view, N>& names, std::u16string_view name, Enum& value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (kestrova::EqualsAsciiNoCase(names[i], name)) {
      value = static_cast<Enum>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

ConditionalType ConditionalTypeFromName(std::string_view elementName) {
  for (std::size_t i = 1; i < kConditionNames.size(); ++i) {
    if (kConditionNames[i] == elementName) return static_cast<ConditionalType>(i);
  }
  return ConditionalType::None;
}

std::string_view ConditionalTypeName(ConditionalType type) {
  const auto index = static_cast<std::size_t>(type);
  return index < kConditionNames.size() ? kConditionNames[index] : std::string_view();
}

bool MessageIconFromName(std::u16string_view name, MessageIcon& icon) { return FindKeyword(kIconNames, name, icon); }

bool MessageButtonsFromName(std::u16string_view name, MessageButtons& buttons) {
  return FindKeyword(kButtonsNames, name, buttons);
}

bool MessageButtonPosition(MessageButtons buttons, MessageResult result, std::size_t& position) {
  const auto index = static_cast<std::size_t>(buttons);
  if (index >= kOfferedResults.size()) return false;
  const OfferedResults& offered = kOfferedResults[index];
  for (std::size_t i = 0; i < offered.count; ++i) {
    if (offered.results[i] == result) {
      position = i;
      return true;
    }
  }
  return false;
}

bool MessageDefaultResultFromName(MessageButtons buttons, std::u16string_view name, MessageResult& result) {
  const auto index = static_cast<std::size_t>(buttons);
  if (index >= kOfferedResults.size()) return false;
  if (name.empty()) {
    result = kOfferedResults[index].results[0];
    return true;
  }
  MessageResult named = R::Ok;
  std::size_t position = 0;
  if (!FindKeyword(kResultNames, name, named) || !MessageButtonPosition(buttons, named, position)) return false;
  result = named;
  return true;
}

std::u16string_view MessageResultName(MessageResult result) {
  const auto index = static_cast<std::size_t>(result);
  return index < kResultNames.size() ? kResultNames[index] : std::u16string_view();
}
