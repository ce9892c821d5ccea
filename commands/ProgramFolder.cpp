#include "commands/ProgramFolder.h"

namespace {
// At namespace scope: a function-local static would bring the thread-safe guard and its thread library code.
std::u16string g_folder;
}  // namespace

const std::u16string& ProgramFolder() { return g_folder; }
void SetProgramFolder(std::u16string folder) { g_folder = std::move(folder); }
