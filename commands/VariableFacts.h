// What variable expansion and path resolution ask of the system; a fake stands in for it in tests.
#pragma once
#include <cstdint>
#include <string>

#include "commands/KnownFolders.h"
#include "support/ErrorCodes.h"

class VariableFacts {
 public:
  virtual ~VariableFacts() = default;

  // Drive and directory of the running executable (${SfxPath}).
  virtual std::u16string ProgramFolder() const = 0;
  // The process's WOW64 machine (IMAGE_FILE_MACHINE_*): 0 when the process does not run under WOW64.
  virtual kestrova::KVResult QueryProcessMachine(std::uint16_t& processMachine) = 0;
  // The path of a known folder, created if it does not exist yet.
  virtual kestrova::KVResult KnownFolderPath(const KnownFolderId& id, std::u16string& path) = 0;
  // %NAME% environment references replaced; unknown names stay as they are.
  virtual kestrova::KVResult ExpandEnvironment(const std::u16string& text, std::u16string& expanded) = 0;
  // The path made absolute against the current directory.
  virtual kestrova::KVResult AbsolutePath(const std::u16string& path, std::u16string& absolute) = 0;

 protected:
  VariableFacts() = default;
  VariableFacts(const VariableFacts&) = default;
  VariableFacts& operator=(const VariableFacts&) = default;
};
