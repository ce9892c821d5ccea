#include "config/CfgCommands.h"

#include <utility>

#include "support/Failure.h"
#include "support/Text.h"

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_MISSING_ARGUMENT;
using kestrova::KV_E_NO_UNIQUE_MATCH;
using kestrova::KV_E_NOT_FOUND;
using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

namespace {

// The action element of a command and the type it gives; KV_E_INVALID_DATA for more than one action.
KVResult FindAction(XmlElementRef element, CfgReadContext& context, XmlElementRef& action, CommandType& type) {
  static constexpr std::pair<const char*, CommandType> kActions[] = {
      {"ShellExecute", CommandType::ShellExecuteCommand},
      {"CreateProcess", CommandType::CreateProcessCommand},
      {"CommandSequence", CommandType::CommandSequence},
  };
  action = XmlElementRef();
  type = CommandType::None;
  for (const auto& [name, kind] : kActions) {
    std::vector<XmlElementRef> found;
    KV_RETURN_IF_FAILED_RECORDED(context.Check(element.GetChildElements(name, found), element, "no element"));
    if (found.empty()) continue;
    if (action || found.size() > 1) {
      return context.Fail(KV_E_INVALID_DATA, found.size() > 1 ? found[1] : found[0],
                          "a command has at most one of ShellExecute, CreateProcess, CommandSequence");
    }
    action = found[0];
    type = kind;
  }
  return KV_OK;
}

// A condition element as the only element child of BeforeCommand or AfterCommand.
KVResult ReadCondition(XmlElementRef parent, const char* name, CfgSubCommand* step, CfgReadContext& context,
                       std::shared_ptr<CfgConditional>& condition) {
  XmlElementRef element;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(parent, name, element));
  if (!element) return KV_OK;
  std::vector<XmlElementRef> children;
  KV_RETURN_IF_FAILED_RECORDED(context.Check(element.GetChildElements(children), element, "no element"));
  if (children.size() != 1) {
    return context.Fail(KV_E_INVALID_DATA, children.size() > 1 ? children[1] : element,
                        "exactly one condition element is required here");
  }
  auto made = std::make_shared<CfgConditional>(step, std::u16string());
  KV_RETURN_IF_FAILED_RECORDED(made->Parse(children[0], context));
  condition = std::move(made);
  return KV_OK;
}

}  // namespace

std::string_view CommandTypeName(CommandType type) {
  switch (type) {
    case CommandType::ShellExecuteCommand: return "ShellExecute";
    case CommandType::CreateProcessCommand: return "CreateProcess";
    case CommandType::CommandSequence: return "CommandSequence";
    case CommandType::None: return "None";
    default: return {};
  }
}

bool CfgCommandManager::AddCommand(const std::shared_ptr<CfgCommand>& command) {
  return command && CommandsById.emplace(command->Id, command).second;
}

std::shared_ptr<CfgCommand> CfgCommandManager::FindCommand(const std::u16string& id) const {
  const auto found = CommandsById.find(id);
  return found != CommandsById.end() ? found->second : nullptr;
}

KVResult CfgCommands::Parse(XmlElementRef element, CfgReadContext& context) {
  std::vector<XmlElementRef> entries;
  KV_RETURN_IF_FAILED_RECORDED(context.Children(element, "Command", entries));
  for (const XmlElementRef& entry : entries) {
    std::u16string id;
    KV_RETURN_IF_FAILED_RECORDED(context.Id(entry, id));
    auto command = std::make_shared<CfgCommand>(this, id, this);
    KV_RETURN_IF_FAILED_RECORDED(command->Parse(entry, context));
    // Commands defined inline in its steps have been added first.
    if (!AddCommand(command)) {
      return context.Fail(KV_E_INVALID_DATA, entry, "another command of this option has this Id", "Id");
    }
  }

  XmlElementRef defaultElement;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(element, "DefaultCommand", defaultElement));
  if (!defaultElement) return KV_OK;
  std::u16string name;
  KV_RETURN_IF_FAILED_RECORDED(context.Text(defaultElement, name));
  kestrova::FoldAsciiLower(name);
  if (!name.empty() && !FindCommand(name)) {
    return context.Fail(KV_E_NO_UNIQUE_MATCH, defaultElement, "no command of this option has this Id");
  }
  DefaultCommand = std::move(name);
  return KV_OK;
}

KVResult CfgCommands::GetCommand(const std::u16string& name, std::shared_ptr<CfgCommand>& command) const {
  command.reset();
  std::u16string wanted = name;
  if (wanted.empty()) wanted = DefaultCommand;
  if (wanted.empty()) {
    if (CommandsById.size() != 1) return KV_E_MISSING_ARGUMENT;
    command = CommandsById.begin()->second;
    return KV_OK;
  }
  command = FindCommand(wanted);
  return command ? KV_OK : KV_E_NOT_FOUND;
}

KVResult CfgCommand::Parse(XmlElementRef element, CfgReadContext& context) {
  XmlElementRef action;
  KV_RETURN_IF_FAILED_RECORDED(FindAction(element, context, action, Type));
  if (Type == CommandType::None) return KV_OK;

  if (Type == CommandType::CommandSequence) {
    std::vector<XmlElementRef> steps;
    KV_RETURN_IF_FAILED_RECORDED(context.Children(action, "SubCommand", steps));
    for (const XmlElementRef& stepElement : steps) {
      auto step = std::make_shared<CfgSubCommand>(this, Manager);
      KV_RETURN_IF_FAILED_RECORDED(step->Parse(stepElement, context));
      SubCommands.push_back(std::move(step));
    }
    return KV_OK;
  }

  XmlElementRef child;
  KV_RETURN_IF_FAILED_RECORDED(context.RequiredChild(action, "Executable", child));
  KV_RETURN_IF_FAILED_RECORDED(context.Text(child, Executable));
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(action, "Arguments", child));
  if (child) KV_RETURN_IF_FAILED_RECORDED(context.Text(child, Arguments));

  const bool shell = Type == CommandType::ShellExecuteCommand;
  const std::pair<const char*, bool*> flags[] = {
      {"Hide", shell ? nullptr : &Hide},
      {"Wait", shell ? &Wait : nullptr},
      {"AsAdmin", shell ? &AsAdmin : nullptr},
  };
  for (const auto& [name, field] : flags) {
    if (!action.HasAttribute(name)) continue;
    bool value = false;
    KV_RETURN_IF_FAILED_RECORDED(context.RequiredBool(action, name, value));
    if (field == nullptr) {
      return context.Fail(KV_E_INVALID_DATA, action,
                          shell ? "ShellExecute has no Hide attribute" : "CreateProcess has no Wait or AsAdmin attribute",
                          name);
    }
    *field = value;
  }
  return KV_OK;
}

KVResult CfgSubCommand::Parse(XmlElementRef element, CfgReadContext& context) {
  KV_RETURN_IF_FAILED_RECORDED(ReadCondition(element, "BeforeCommand", this, context, BeforeCommand));

  XmlElementRef commandElement;
  KV_RETURN_IF_FAILED_RECORDED(context.RequiredChild(element, "Command", commandElement));
  std::u16string id;
  KV_RETURN_IF_FAILED_RECORDED(context.Id(commandElement, id));
  auto command = std::make_shared<CfgCommand>(this, id, Manager);
  KV_RETURN_IF_FAILED_RECORDED(command->Parse(commandElement, context));
  if (command->Type == CommandType::CommandSequence) {
    return context.Fail(KV_E_INVALID_DATA, commandElement, "a step cannot define a CommandSequence");
  }
  CommandId = id;
  if (command->Type != CommandType::None && !Manager->AddCommand(command)) {
    return context.Fail(KV_E_INVALID_DATA, commandElement, "another command of this option has this Id", "Id");
  }

  std::u16string resultName;
  commandElement.GetAttributeString("ResultName", resultName);
  ResultName.assign(kestrova::TrimBlanks(resultName));

  return ReadCondition(element, "AfterCommand", this, context, AfterCommand);
}

KVResult CfgSubCommand::ResolveCommand(std::shared_ptr<CfgCommand>& command) const {
  command = Manager != nullptr ? Manager->FindCommand(CommandId) : nullptr;
  return command ? KV_OK : KV_E_INVALID_DATA;
}
