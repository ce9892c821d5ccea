// Arbitrary documents through the configuration reader, on a system picked from the input's size, then the
// option and command choices on whatever was read. Checks the model's invariants.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "config/Cfg.h"
#include "config/ConfigErrors.h"
#include "config/SimulatedSystemFacts.h"

namespace {


void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckCondition(const Conditional& node) {
  const auto type = static_cast<std::int32_t>(node.Type);
  Check(type >= 1 && type <= 8);
  const bool combination = node.Type == ConditionalType::IfAll || node.Type == ConditionalType::IfAny;
  Check(combination || node.Children.empty());
  for (const Conditional& child : node.Children) CheckCondition(child);
  for (const auto* actions : {&node.TrueActions, &node.FalseActions}) {
    for (const std::shared_ptr<ConditionalAction>& action : *actions) {
      Check(action != nullptr);
      if (const auto* message = dynamic_cast<const ConditionalMessage*>(action.get())) {
        Check(!message->Text.empty());
        MessageResult allowed = MessageResult::Ok;
        Check(MessageDefaultResultFromName(message->Buttons, MessageResultName(message->DefaultResult), allowed));
      }
    }
  }
}

void CheckCommands(const CfgCommands& commands) {
  Check(commands.DefaultCommand.empty() || commands.FindCommand(commands.DefaultCommand) != nullptr);
  std::shared_ptr<CfgCommand> chosen;
  const kestrova::KVResult result = commands.GetCommand(u"", chosen);
  Check(result == kestrova::KV_OK ? chosen != nullptr : result == kestrova::KV_E_MISSING_ARGUMENT);
  for (const auto& [id, command] : commands.CommandsById) {
    Check(command->Id == id && !id.empty() && command->Manager == &commands);
    const auto type = static_cast<std::uint32_t>(command->Type);
    Check(type >= 1 && type <= 4);
    Check(command->Type == CommandType::CommandSequence ? !command->SubCommands.empty() : command->SubCommands.empty());
    for (const std::shared_ptr<CfgSubCommand>& step : command->SubCommands) {
      std::shared_ptr<CfgCommand> target;
      const kestrova::KVResult resolved = step->ResolveCommand(target);
      Check(resolved == kestrova::KV_OK ? target->Id == step->CommandId : resolved == kestrova::KV_E_INVALID_DATA);
      for (const auto* condition : {&step->BeforeCommand, &step->AfterCommand}) {
        if (*condition) CheckCondition((*condition)->Condition);
      }
    }
  }
}

void CheckOptions(const CfgOptions& options, WindowsVersion version, ProcessorArch arch) {
  Check(!options.OptionsById.empty());
  std::set<std::u16string> candidates(options.CandidateIds.begin(), options.CandidateIds.end());
  Check(candidates.size() == options.CandidateIds.size());
  std::set<std::u16string> tags;
  for (const auto& [id, option] : options.OptionsById) {
    Check(option->Commands != nullptr);
    CheckCommands(*option->Commands);
    Check(option->FitsSystem(version, arch) == (candidates.count(id) != 0));
    if (candidates.count(id) != 0 && option->LanguageTagSet) {
      for (const std::u16string& tag : option->LanguageTagSet->Tags) Check(tags.insert(tag).second);
    }
  }
  Check(tags == options.LanguageTags->Tags);
  Check(!options.LanguageNeutral || (candidates.size() == 1 && tags.empty()));
  std::shared_ptr<CfgOption> chosen;
  if (options.LanguageNeutral) Check(options.SelectOption(u"", chosen) == kestrova::KV_OK);
  for (const std::u16string& tag : tags) {
    Check(options.SelectOption(tag, chosen) == kestrova::KV_OK && chosen->LanguageTagSet->Tags.count(tag) == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<WindowsVersion> versions = EveryWindowsVersion();
  SimulatedSystemFacts facts;
  facts.windowsVersion = versions[size % versions.size()];
  facts.nativeArch = static_cast<ProcessorArch>((size / versions.size()) % 6);
  facts.isAdmin = (size / versions.size() / 6) % 2 != 0;

  const std::string text(reinterpret_cast<const char*>(data), size);
  Cfg cfg;
  ConfigErrorLocation location;
  const kestrova::KVResult result = cfg.Load(text.c_str(), facts, &location);
  if (result != kestrova::KV_OK) {
    Check(!cfg.Extract && !cfg.Launch && !location.detail.empty());
    Check(DescribeConfigError(result).name != "system error");  // no fact fails here: every code is a rule's
    return 0;
  }
  Check((cfg.Extract != nullptr) != (cfg.Launch != nullptr) && !cfg.Title.empty());
  Check(location.elementPath.empty() && location.line == 0);
  if (cfg.Launch) {
    Check(cfg.Launch->Options != nullptr && !cfg.Launch->TargetPath.empty());
    CheckOptions(*cfg.Launch->Options, facts.windowsVersion, facts.nativeArch);
  }
  // A second load into the same object gives the same outcome.
  Check(cfg.Load(text.c_str(), facts) == kestrova::KV_OK);
  return 0;
}
