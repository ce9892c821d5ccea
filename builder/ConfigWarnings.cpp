#include "builder/ConfigWarnings.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "commands/Parameters.h"
#include "config/Cfg.h"
#include "config/CfgOptions.h"
#include "support/Formatter.h"
#include "support/Text.h"
#include "support/XmlDocument.h"

namespace kestrova {
namespace {

// The document has been read without failure, so every element the walk asks for is there as often as the
// model says; a missing one only ends that part of the walk.
std::vector<XmlElementRef> Children(XmlElementRef parent, const char* name) {
  std::vector<XmlElementRef> children;
  parent.GetChildElements(name, children);
  return children;
}

XmlElementRef Child(XmlElementRef parent, const char* name) {
  const std::vector<XmlElementRef> children = Children(parent, name);
  return children.empty() ? XmlElementRef() : children.front();
}

// The condition elements among an element's children (IfTrue and IfFalse left out), in document order.
// BeforeCommand and AfterCommand have exactly one.
std::vector<XmlElementRef> ConditionChildren(XmlElementRef parent) {
  std::vector<XmlElementRef> conditions;
  for (const XmlElementRef& child : Children(parent, nullptr)) {
    if (ConditionalTypeFromName(child.Name()) != ConditionalType::None) conditions.push_back(child);
  }
  return conditions;
}

std::string Quoted(std::u16string_view text) { return "\"" + Utf16ToUtf8(text) + "\""; }

bool IsAsciiAlphanumeric(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

// A language tag as Windows names locales: a language of 2 or 3 letters, then parts of 1 to 8 letters or digits
// after hyphens ("en-US", "zh-Hant-TW", "sr-Latn-RS").
bool IsWellFormedLanguageTag(std::u16string_view tag) {
  std::size_t part = 0;
  std::size_t length = 0;
  for (std::size_t i = 0; i <= tag.size(); ++i) {
    if (i == tag.size() || tag[i] == u'-') {
      const bool language = part == 0;
      if (language ? length < 2 || length > 3 : length < 1 || length > 8) return false;
      ++part;
      length = 0;
    } else if (!IsAsciiAlphanumeric(tag[i]) || (part == 0 && tag[i] >= u'0' && tag[i] <= u'9')) {
      return false;
    } else {
      ++length;
    }
  }
  return true;
}

class WarningFinder {
 public:
  explicit WarningFinder(const ConfigDocument& document) : document_(document) {}

  void Option(XmlElementRef optionElement, const CfgOption& option) {
    for (const XmlElementRef& commandElement : Children(Child(optionElement, "Commands"), "Command")) {
      std::u16string id;
      if (commandElement.ReadId(id) != KV_OK) continue;
      const std::shared_ptr<CfgCommand> command = option.Commands->FindCommand(id);
      if (!command) continue;
      Executable(commandElement, *command);
      if (command->Type == CommandType::CommandSequence) {
        Sequence(Child(commandElement, "CommandSequence"), *command);
      }
    }
  }

  void LanguageTag(XmlElementRef element, const std::u16string& tag) {
    std::u16string hyphened = tag;
    std::replace(hyphened.begin(), hyphened.end(), u'_', u'-');
    Add(element, nullptr,
        "the language tag " + Quoted(tag) + " is not a well-formed tag, so no user's language ever equals it" +
            (hyphened != tag && IsWellFormedLanguageTag(hyphened) ? "; did you mean " + Quoted(hyphened) + "?" : ""));
  }

  std::vector<ConfigFinding> warnings;

 private:
  void Add(XmlElementRef element, const char* attribute, std::string text) {
    warnings.push_back(document_.At(element, attribute, ConfigFinding::Severity::Warning, std::move(text)));
  }

  const ConfigDocument& document_;

  // `commandElement` defines `command`.
  void Executable(XmlElementRef commandElement, const CfgCommand& command) {
    if (command.Type != CommandType::CreateProcessCommand || command.Executable.find(u'"') == std::u16string::npos) {
      return;
    }
    Add(Child(Child(commandElement, "CreateProcess"), "Executable"), nullptr,
        "the CreateProcess Executable '" + Utf16ToUtf8(command.Executable) +
            "' holds double quotes: the installer quotes it once more and Windows cannot start it; write it "
            "without quotes (arguments go into Arguments)");
  }

  void Sequence(XmlElementRef sequenceElement, const CfgCommand& sequence) {
    const std::vector<XmlElementRef> stepElements = Children(sequenceElement, "SubCommand");
    if (stepElements.size() != sequence.SubCommands.size()) return;
    std::vector<std::u16string> known = {kSfxExitCodeName};
    std::vector<std::pair<std::u16string, std::size_t>> results;  // ResultName, 1-based step
    for (std::size_t i = 0; i < stepElements.size(); ++i) {
      const CfgSubCommand& step = *sequence.SubCommands[i];
      const XmlElementRef commandElement = Child(stepElements[i], "Command");
      if (Child(commandElement, "CreateProcess")) {
        if (const std::shared_ptr<CfgCommand> command = step.Manager->FindCommand(step.CommandId)) {
          Executable(commandElement, *command);
        }
      }
      if (!step.ResultName.empty()) {
        const auto earlier = std::find_if(results.begin(), results.end(),
                                          [&](const auto& entry) { return entry.first == step.ResultName; });
        if (earlier != results.end()) {
          Add(commandElement, "ResultName",
              KVFormat("ResultName {} is already the ResultName of SubCommand[{}] of this sequence: this step "
                       "fails with 0x{:08X} when it runs",
                       Quoted(step.ResultName), earlier->second, KV_E_INVALID_DATA));
        } else {
          results.emplace_back(step.ResultName, i + 1);
        }
        known.push_back(step.ResultName);
      }
      for (const auto& [name, conditional] : {std::pair{"BeforeCommand", step.BeforeCommand.get()},
                                              std::pair{"AfterCommand", step.AfterCommand.get()}}) {
        const std::vector<XmlElementRef> root = ConditionChildren(Child(stepElements[i], name));
        if (conditional != nullptr && root.size() == 1) Condition(root.front(), conditional->Condition, known);
      }
    }
  }

  void Condition(XmlElementRef element, const Conditional& condition, std::vector<std::u16string>& known) {
    if (condition.Type == ConditionalType::IfAll || condition.Type == ConditionalType::IfAny) {
      const std::vector<XmlElementRef> childElements = ConditionChildren(element);
      for (std::size_t i = 0; i < condition.Children.size() && i < childElements.size(); ++i) {
        Condition(childElements[i], condition.Children[i], known);
      }
    } else if (std::find(known.begin(), known.end(), condition.Parameter) == known.end()) {
      Add(element, "Parameter", UnsetParameterText(condition, known));
    }
    for (const auto* actions : {&condition.TrueActions, &condition.FalseActions}) {
      for (const std::shared_ptr<ConditionalAction>& action : *actions) {
        if (const auto* set = dynamic_cast<const ConditionalSetParam*>(action.get())) {
          known.push_back(set->Parameter);
        } else if (const auto* message = dynamic_cast<const ConditionalMessage*>(action.get())) {
          if (!message->ResultName.empty()) known.push_back(message->ResultName);
        }
      }
    }
  }

  static std::string UnsetParameterText(const Conditional& condition, const std::vector<std::u16string>& known) {
    std::string text = KVFormat(
        "{} tests {}, which nothing sets before it (no earlier ResultName, Set or Message ResultName, not "
        "SfxExitCode), so it is always false",
        ConditionalTypeName(condition.Type), Quoted(condition.Parameter));
    const std::u16string_view trimmed = TrimBlanks(condition.Parameter);
    const auto similar = std::find_if(known.begin(), known.end(),
                                      [&](const std::u16string& name) { return EqualsAsciiNoCase(name, trimmed); });
    if (similar != known.end()) text += KVFormat("; did you mean {}? (names compare exactly)", Quoted(*similar));
    return text;
  }
};

}  // namespace

std::vector<ConfigFinding> FindConfigWarnings(const ConfigDocument& document, const Cfg& cfg) {
  if (!cfg.Launch || !cfg.Launch->Options) return {};
  const CfgOptions& options = *cfg.Launch->Options;
  const std::vector<XmlElementRef> optionElements =
      Children(Child(Child(document.Root(), "Launch"), "Options"), "Option");
  WarningFinder finder(document);
  for (std::size_t i = 0; i < optionElements.size() && i < options.OptionIds.size(); ++i) {
    const auto option = options.OptionsById.find(options.OptionIds[i]);
    if (option == options.OptionsById.end()) continue;
    finder.Option(optionElements[i], *option->second);
    for (const XmlElementRef& tag : Children(Child(optionElements[i], "LanguageTagSet"), "LanguageTag")) {
      std::u16string value;
      if (tag.GetText(value) == KV_OK && !IsWellFormedLanguageTag(value)) {
        finder.LanguageTag(tag, value);
      }
    }
  }
  return std::move(finder.warnings);
}

}  // namespace kestrova
