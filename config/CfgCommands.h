// The commands of an option: definitions, sequences of steps, and the lookups by Id.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/CfgConditional.h"
#include "config/CfgObject.h"
#include "config/CfgReadContext.h"

// What a command does. The names avoid ShellExecute and CreateProcess, which <windows.h> defines as macros.
enum class CommandType : std::uint32_t {
  Unset = 0,
  ShellExecuteCommand = 1,   // ShellExecute
  CreateProcessCommand = 2,  // CreateProcess
  CommandSequence = 3,
  None = 4,  // no action element: choosing it to run fails
};

// "ShellExecute", "CreateProcess", "CommandSequence", "None"; empty for Unset.
std::string_view CommandTypeName(CommandType type);

class CfgCommand;
class CfgSubCommand;

// Registry of all commands of one option, those of Commands and those defined inline in a step.
class CfgCommandManager {
 public:
  // Inserts under the command's Id; false (nothing changed) when the Id is taken.
  bool AddCommand(const std::shared_ptr<CfgCommand>& command);
  // Exact comparison with the stored lower-case Ids; an empty pointer when none has `id`.
  std::shared_ptr<CfgCommand> FindCommand(const std::u16string& id) const;

  std::unordered_map<std::u16string, std::shared_ptr<CfgCommand>> CommandsById;

 protected:
  CfgCommandManager() = default;
  ~CfgCommandManager() = default;
};

class CfgCommands final : public CfgObject, public CfgCommandManager {
 public:
  using CfgObject::CfgObject;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  // The command to run: `name` (the command line's command, exact comparison, not folded), else
  // DefaultCommand, else the only command. KV_E_MISSING_ARGUMENT when nothing decides, KV_E_NOT_FOUND for
  // an unknown name.
  kestrova::KVResult GetCommand(const std::u16string& name, std::shared_ptr<CfgCommand>& command) const;

  std::u16string DefaultCommand;  // lower-cased; empty for none
};

class CfgCommand final : public CfgObject {
 public:
  CfgCommand(CfgObject* parent, std::u16string id, CfgCommandManager* manager)
      : CfgObject(parent, std::move(id)), Manager(manager) {}
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);

  CfgCommandManager* Manager;  // where the steps' references are resolved
  std::vector<std::shared_ptr<CfgSubCommand>> SubCommands;
  CommandType Type = CommandType::Unset;
  std::u16string Executable;
  std::u16string Arguments;
  bool Hide = false;     // CreateProcess
  bool Wait = false;     // ShellExecute
  bool AsAdmin = false;  // ShellExecute
};

// One step of a CommandSequence.
class CfgSubCommand final : public CfgObject {
 public:
  CfgSubCommand(CfgObject* parent, CfgCommandManager* manager) : CfgObject(parent, {}), Manager(manager) {}
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  // The command that CommandId names; KV_E_INVALID_DATA when there is none (references are not checked
  // while reading).
  kestrova::KVResult ResolveCommand(std::shared_ptr<CfgCommand>& command) const;

  CfgCommandManager* Manager;
  std::u16string CommandId;   // lower-cased
  std::u16string ResultName;  // trimmed; the parameter that receives the step's exit code
  std::shared_ptr<CfgConditional> BeforeCommand;
  std::shared_ptr<CfgConditional> AfterCommand;
};
