// Conditions and actions of a command-sequence step against a scripted host: comparisons, IfAll/IfAny, the
// order and failures of actions, message boxes and what they store.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

#include "commands/Conditions.h"
#include "tests/native/LaunchFakes.h"

using namespace kestrova;

namespace {

using Actions = std::vector<std::shared_ptr<ConditionalAction>>;
using Entries = std::map<std::u16string, std::u16string>;

constexpr KVResult kExpandFailure = 0xE0010002;
constexpr KVResult kShowFailure = 0x80070005;
constexpr std::uint32_t kSystemModal = 0x1000;  // MB_SYSTEMMODAL

using Box = std::pair<std::u16string, std::uint32_t>;  // text and style
using FakeHost = ScriptedActions;

Entries Contents(const FakeHost& host) { return Entries(host.store.begin(), host.store.end()); }

std::shared_ptr<ConditionalAction> Set(std::u16string name, std::u16string value) {
  return std::make_shared<ConditionalSetParam>(std::move(name), std::move(value));
}

std::shared_ptr<ConditionalAction> Message(std::u16string text, MessageButtons buttons, MessageResult defaultResult,
                                           std::u16string resultName) {
  auto message = std::make_shared<ConditionalMessage>();
  message->Icon = MessageIcon::Question;
  message->Buttons = buttons;
  message->DefaultResult = defaultResult;
  message->ResultName = std::move(resultName);
  message->Text = std::move(text);
  return message;
}

Conditional Compare(ConditionalType type, std::u16string parameter, std::u16string value, Actions ifTrue = {},
                    Actions ifFalse = {}) {
  Conditional node;
  node.Type = type;
  node.Parameter = std::move(parameter);
  node.Value = std::move(value);
  node.TrueActions = std::move(ifTrue);
  node.FalseActions = std::move(ifFalse);
  return node;
}

Conditional Group(ConditionalType type, std::vector<Conditional> children, Actions ifTrue = {}, Actions ifFalse = {}) {
  Conditional node = Compare(type, u"", u"", std::move(ifTrue), std::move(ifFalse));
  node.Children = std::move(children);
  return node;
}

// With the store holding One = "1": a condition that holds (or not) and records in `tag` which list ran.
Conditional Holds(bool holds, std::u16string tag) {
  return Compare(ConditionalType::IfEqual, u"One", holds ? u"1" : u"0", {Set(tag, u"true")}, {Set(tag, u"false")});
}

}  // namespace

TEST(EvaluateCondition, ComparesStoredWithConfiguredAsNumbersOrTextAndMissingIsFalse) {
  using T = ConditionalType;
  const struct {
    T type;
    const char16_t* stored;  // null: the parameter is not in the store
    const char16_t* value;
    bool holds;
  } cases[] = {
      // Numbers as signed 64-bit values (how a number is read: ParametersTests).
      {T::IfEqual, u"0x10", u"16", true}, {T::IfGreater, u"10", u"9", true}, {T::IfLessEqual, u"9", u"10", true},
      {T::IfLess, u"-1", u"0xFFFFFFFF", true}, {T::IfGreater, u"4294967296", u"0", true},
      {T::IfLessEqual, u"0xA", u"10", true},  // equal as numbers, not as text
      // Text when either side is no number: code units, letter case exact, a prefix is smaller.
      {T::IfGreater, u"b", u"a10", true}, {T::IfGreater, u"B", u"a", false}, {T::IfLess, u"10", u"9x", true},
      {T::IfLess, u"abc", u"abcd", true}, {T::IfGreaterEqual, u"a", u"a", true}, {T::IfNotEqual, u"", u"0", true},
      {T::IfGreater, u"\uFF21", u"\U0001F600", true},  // a surrogate is below U+FF21
      // A missing parameter: false even for the comparisons an equal value satisfies.
      {T::IfEqual, nullptr, u"", false}, {T::IfLessEqual, nullptr, u"0", false}, {T::IfNotEqual, nullptr, u"0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);  // the case number
    FakeHost host;
    if (c.stored != nullptr) host.store.Set(u"ResultInstall", c.stored);
    bool result = !c.holds;
    EXPECT_EQ(EvaluateCondition(Compare(c.type, u"ResultInstall", c.value, {Set(u"Ran", u"true")},
                                        {Set(u"Ran", u"false")}),
                                host, result),
              KV_OK);
    EXPECT_EQ(result, c.holds);
    EXPECT_EQ(*host.store.Find(u"Ran"), c.holds ? u"true" : u"false");
  }
}

// Every child runs in order with its own actions; the first error (a child's, an empty group's, an action's)
// ends the evaluation.
TEST(EvaluateCondition, GroupsEvaluateEveryChildAndStopAtTheFirstError) {
  using T = ConditionalType;
  const Conditional empty = Group(T::IfAny, {});
  const auto noSuchBox = Message(u"m", MessageButtons::Ok, MessageResult::No, u"A");
  const struct {
    Conditional node;
    KVResult code;
    bool holds;
    Entries entries;  // besides One
  } cases[] = {
      {Group(T::IfAny, {Holds(true, u"a"), Holds(true, u"b")}, {Set(u"G", u"t")}, {Set(u"G", u"f")}), KV_OK, true,
       {{u"a", u"true"}, {u"b", u"true"}, {u"G", u"t"}}},
      {Group(T::IfAny, {Holds(false, u"a"), Holds(true, u"b")}), KV_OK, true, {{u"a", u"false"}, {u"b", u"true"}}},
      {Group(T::IfAny, {Holds(false, u"a"), Holds(false, u"b")}, {Set(u"G", u"t")}, {Set(u"G", u"f")}), KV_OK,
       false, {{u"a", u"false"}, {u"b", u"false"}, {u"G", u"f"}}},
      {Group(T::IfAll, {Holds(false, u"a"), Holds(true, u"b")}, {Set(u"G", u"t")}, {Set(u"G", u"f")}), KV_OK,
       false, {{u"a", u"false"}, {u"b", u"true"}, {u"G", u"f"}}},
      {Group(T::IfAll, {Group(T::IfAny, {Holds(false, u"a"), Holds(true, u"b")}), Holds(true, u"c")}), KV_OK, true,
       {{u"a", u"false"}, {u"b", u"true"}, {u"c", u"true"}}},
      // In order: the first child's action sets what the second compares.
      {Group(T::IfAll, {Compare(T::IfEqual, u"P", u"1", {}, {Set(u"P", u"1")}), Compare(T::IfEqual, u"P", u"1")}),
       KV_OK, false, {{u"P", u"1"}}},
      {Group(T::IfAll, {Holds(true, u"a"), empty, Holds(true, u"b")}, {Set(u"G", u"t")}, {Set(u"G", u"f")}),
       KV_E_FAIL, false, {{u"a", u"true"}}},
      // A failing action (a box that cannot exist) ends the evaluation; nothing after it runs.
      {Compare(T::IfEqual, u"One", u"1", {noSuchBox, Set(u"G", u"t")}), KV_E_FAIL, false, {}},
      {Group(T::IfAny, {Holds(true, u"a"), Compare(T::IfEqual, u"One", u"0", {}, {noSuchBox}), Holds(true, u"b")}),
       KV_E_FAIL, false, {{u"a", u"true"}}},
      {Compare(T::None, u"One", u"1", {Set(u"G", u"t")}, {Set(u"G", u"f")}), KV_E_FAIL, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeHost host;
    host.store.Set(u"One", u"1");
    bool result = false;
    EXPECT_EQ(EvaluateCondition(c.node, host, result), c.code);
    EXPECT_EQ(result, c.holds);
    Entries expected = c.entries;
    expected.emplace(u"One", u"1");
    EXPECT_EQ(Contents(host), expected);
  }
}

namespace {
class UnknownAction final : public ConditionalAction {};
}  // namespace

TEST(PerformActions, SetsParametersShowsMessagesAndStopsAtTheFirstError) {
  using B = MessageButtons;
  using R = MessageResult;
  const std::uint32_t question = kSystemModal | 0x20;  // MB_ICONQUESTION
  const auto yesNoNo = Message(u"Go on?", B::YesNo, R::No, u"Answer");
  const struct {
    Actions actions;
    std::function<void(FakeHost&)> setUp;
    KVResult code;
    std::vector<Box> boxes;
    Entries entries;  // besides Old = "old"
  } cases[] = {
      // Set inserts or replaces, the value as configured; any name.
      {{Set(u"New", u"${TargetPath}"), Set(u"Old", u"new"), Set(u"SfxExitCode", u"3010")}, nullptr, KV_OK, {},
       {{u"New", u"${TargetPath}"}, {u"Old", u"new"}, {u"SfxExitCode", u"3010"}}},
      // Without messages the default result is stored and no box is shown (nor the text expanded).
      {{yesNoNo}, [](FakeHost& h) { h.shown = false; h.expandResult = kExpandFailure; }, KV_OK, {},
       {{u"Answer", u"No"}}},
      // The box shows the expanded text; the button pressed is stored, a zero return keeps the default.
      {{yesNoNo}, [](FakeHost& h) { h.buttonIds = {6}; }, KV_OK, {{u"<Go on?>", question | 0x4 | 0x100}},
       {{u"Answer", u"Yes"}}},
      {{yesNoNo}, nullptr, KV_OK, {{u"<Go on?>", question | 0x4 | 0x100}}, {{u"Answer", u"No"}}},
      {{Message(u"m", B::CancelRetryContinue, R::Cancel, u"Old")}, [](FakeHost& h) { h.buttonIds = {10}; }, KV_OK,
       {{u"<m>", question | 0x6}}, {{u"Old", u"Retry"}}},
      {{Message(u"m", B::Ok, R::Ok, u""), Message(u"n", B::OkCancel, R::Ok, u"A")},
       [](FakeHost& h) { h.buttonIds = {1, 2}; }, KV_OK, {{u"<m>", question}, {u"<n>", question | 0x1}},
       {{u"A", u"Cancel"}}},
      // An unreachable main thread: nothing stored, and the list goes on.
      {{yesNoNo, Set(u"After", u"1")}, [](FakeHost& h) { h.reachable = false; }, KV_OK, {}, {{u"After", u"1"}}},
      // The first error ends the list with its code.
      {{yesNoNo, Set(u"After", u"1")}, [](FakeHost& h) { h.expandResult = kExpandFailure; }, kExpandFailure, {}, {}},
      {{Set(u"Before", u"1"), yesNoNo, Set(u"After", u"1")}, [](FakeHost& h) { h.showResult = kShowFailure; },
       kShowFailure, {}, {{u"Before", u"1"}}},
      {{std::make_shared<UnknownAction>(), Set(u"After", u"1")}, nullptr, KV_E_FAIL, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeHost host;
    host.store.Set(u"Old", u"old");
    if (c.setUp) c.setUp(host);
    EXPECT_EQ(PerformActions(c.actions, host), c.code);
    EXPECT_EQ(host.boxes, c.boxes);
    Entries expected = c.entries;
    expected.emplace(u"Old", u"old");
    EXPECT_EQ(Contents(host), expected);
  }
}

// Every icon, button set and default position once, with the boxes above and a read tree's (CfgModelTests).
TEST(MessageBoxStyle, IconButtonsAndDefaultButtonOrNoSuchBox) {
  using I = MessageIcon;
  using B = MessageButtons;
  using R = MessageResult;
  const struct {
    I icon;
    B buttons;
    R defaultResult;
    KVResult code;
    std::uint32_t style;
  } cases[] = {
      {I::Warning, B::OkCancel, R::Cancel, KV_OK, 0x1131}, {I::Error, B::CancelRetryContinue, R::Retry, KV_OK, 0x1116},
      {I::Info, B::RetryCancel, R::Retry, KV_OK, 0x1045},  {I::Info, B::RetryCancel, R::Cancel, KV_OK, 0x1145},
      {I::Error, B::YesNo, R::Yes, KV_OK, 0x1014},         {I::Error, B::YesNoCancel, R::No, KV_OK, 0x1113},
      {I::Error, B::YesNoCancel, R::Cancel, KV_OK, 0x1213},
      // No such box: a result the buttons do not offer, an icon or buttons out of range.
      {I::Error, B::Ok, R::Cancel, KV_E_FAIL, 7},          {I::Error, B::RetryCancel, R::Continue, KV_E_FAIL, 7},
      {I::Error, B::CancelRetryContinue, R::Ok, KV_E_FAIL, 7}, {I::Error, B::YesNo, R::Cancel, KV_E_FAIL, 7},
      {static_cast<I>(4), B::Ok, R::Ok, KV_E_FAIL, 7},     {I::Error, static_cast<B>(6), R::Ok, KV_E_FAIL, 7},
      {I::Error, B::Ok, static_cast<R>(-1), KV_E_FAIL, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::uint32_t style = 7;
    EXPECT_EQ(MessageBoxStyle(c.icon, c.buttons, c.defaultResult, style), c.code);
    EXPECT_EQ(style, c.style);
  }
}

// The ids PerformActions does not already see (IDOK, IDCANCEL, IDYES, IDTRYAGAIN, none).
TEST(MessageResultFromButtonId, EachButtonAndNoAnswer) {
  using R = MessageResult;
  const std::tuple<int, bool, R> cases[] = {
      {4, true, R::Retry}, {11, true, R::Continue}, {7, true, R::No},
      {3, false, R::Continue}, {5, false, R::Continue},  // IDABORT, IDIGNORE: no button of ours; the result stays
  };
  for (const auto& [id, known, expected] : cases) {
    R result = R::Continue;
    EXPECT_EQ(MessageResultFromButtonId(id, result), known) << id;
    EXPECT_EQ(result, expected) << id;
  }
}
