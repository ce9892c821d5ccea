#include "config/CfgConditional.h"

#include <string_view>
#include <utility>

#include "support/Failure.h"

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

namespace {

using ActionList = std::vector<std::shared_ptr<ConditionalAction>>;

KVResult ReadMessage(XmlElementRef element, CfgReadContext& context, std::shared_ptr<ConditionalAction>& action) {
  auto message = std::make_shared<ConditionalMessage>();
  std::u16string icon;
  element.GetAttributeString("IconType", icon);  // absent: empty
  if (!icon.empty() && !MessageIconFromName(icon, message->Icon)) {
    return context.Fail(KV_E_INVALID_DATA, element, "not one of Error, Warning, Info, Question", "IconType");
  }

  std::u16string buttons;
  std::u16string defaultResult;
  element.GetAttributeString("ResultType", buttons);
  element.GetAttributeString("DefaultResult", defaultResult);
  if (buttons.empty()) {
    if (!defaultResult.empty()) {
      return context.Fail(KV_E_INVALID_DATA, element, "DefaultResult needs a ResultType", "DefaultResult");
    }
  } else {
    if (!MessageButtonsFromName(buttons, message->Buttons)) {
      return context.Fail(KV_E_INVALID_DATA, element,
                          "not one of Ok, OkCancel, RetryCancel, CancelRetryContinue, YesNo, YesNoCancel",
                          "ResultType");
    }
    if (!MessageDefaultResultFromName(message->Buttons, defaultResult, message->DefaultResult)) {
      return context.Fail(KV_E_INVALID_DATA, element, "not a button of this ResultType", "DefaultResult");
    }
  }
  element.GetAttributeString("ResultName", message->ResultName);

  KV_RETURN_IF_FAILED_RECORDED(context.Text(element, message->Text));
  if (message->Text.empty()) return context.Fail(KV_E_INVALID_DATA, element, "the message text is empty");
  action = std::move(message);
  return KV_OK;
}

KVResult ReadAction(XmlElementRef element, CfgReadContext& context, std::shared_ptr<ConditionalAction>& action) {
  const std::string_view name = element.Name();
  if (name == "Set") {
    std::u16string parameter;
    std::u16string value;
    KV_RETURN_IF_FAILED_RECORDED(context.RequiredString(element, "Parameter", parameter));
    KV_RETURN_IF_FAILED_RECORDED(context.RequiredString(element, "Value", value));
    action = std::make_shared<ConditionalSetParam>(std::move(parameter), std::move(value));
    return KV_OK;
  }
  if (name == "SkipCommand" || name == "Abort") {
    action = std::make_shared<ConditionalSetParam>(name == "Abort" ? u"Abort" : u"SkipCommand", u"True");
    return KV_OK;
  }
  if (name == "Message") return ReadMessage(element, context, action);
  return context.Fail(KV_E_INVALID_DATA, element, "not an action (Set, SkipCommand, Abort, Message)");
}

// The actions of an IfTrue or IfFalse element, appended to `actions`.
KVResult ReadActionList(XmlElementRef element, CfgReadContext& context, ActionList& actions) {
  std::vector<XmlElementRef> children;
  KV_RETURN_IF_FAILED_RECORDED(context.Check(element.GetChildElements(children), element, "no element"));
  if (children.empty()) return context.Fail(KV_E_INVALID_DATA, element, "at least one action is required here");
  for (const XmlElementRef& child : children) {
    std::shared_ptr<ConditionalAction> action;
    KV_RETURN_IF_FAILED_RECORDED(ReadAction(child, context, action));
    actions.push_back(std::move(action));
  }
  return KV_OK;
}

}  // namespace

KVResult CfgConditional::Parse(XmlElementRef element, CfgReadContext& context) {
  return Parse(element, Condition, context);
}

KVResult CfgConditional::Parse(XmlElementRef element, Conditional& record, CfgReadContext& context) {
  record.Type = ConditionalTypeFromName(element.Name());
  if (record.Type == ConditionalType::None) {
    return context.Fail(KV_E_INVALID_DATA, element, "not a condition (IfEqual ... IfGreaterEqual, IfAll, IfAny)");
  }
  const bool combination = record.Type == ConditionalType::IfAll || record.Type == ConditionalType::IfAny;
  if (!combination) {
    KV_RETURN_IF_FAILED_RECORDED(context.RequiredString(element, "Parameter", record.Parameter));
    KV_RETURN_IF_FAILED_RECORDED(context.RequiredString(element, "Value", record.Value));
  }

  std::vector<XmlElementRef> children;
  KV_RETURN_IF_FAILED_RECORDED(context.Check(element.GetChildElements(children), element, "no element"));
  for (const XmlElementRef& child : children) {
    const std::string_view name = child.Name();
    if (name == "IfTrue" || name == "IfFalse") {
      KV_RETURN_IF_FAILED_RECORDED(
          ReadActionList(child, context, name == "IfTrue" ? record.TrueActions : record.FalseActions));
    } else if (combination && ConditionalTypeFromName(name) != ConditionalType::None) {
      record.Children.emplace_back();
      KV_RETURN_IF_FAILED_RECORDED(Parse(child, record.Children.back(), context));
    } else {
      return context.Fail(KV_E_INVALID_DATA, child,
                          combination ? "only conditions, IfTrue and IfFalse may appear here"
                                      : "only IfTrue and IfFalse may appear here");
    }
  }
  return KV_OK;
}
