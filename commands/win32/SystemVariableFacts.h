// Variable facts from the running system: the program folder, IsWow64Process2, SHGetKnownFolderPath,
// ExpandEnvironmentStringsW and GetFullPathNameW.
#pragma once
#include "commands/VariableFacts.h"

class SystemVariableFacts final : public VariableFacts {
 public:
  std::u16string ProgramFolder() const override;
  kestrova::KVResult QueryProcessMachine(std::uint16_t& processMachine) override;
  kestrova::KVResult KnownFolderPath(const KnownFolderId& id, std::u16string& path) override;
  kestrova::KVResult ExpandEnvironment(const std::u16string& text, std::u16string& expanded) override;
  kestrova::KVResult AbsolutePath(const std::u16string& path, std::u16string& absolute) override;
};
