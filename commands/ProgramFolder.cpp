#include "commands/ProgramFolder.h"

namespace {
std::u16string& Folder() {
  static std::u16string folder;
  return folder;
}
}  // namespace

const std::u16string& ProgramFolder() { return Folder(); }
void SetProgramFolder(std::u16string folder) { Folder() = std::move(folder); }
