#include "commands/Variables.h"

#include <cstdint>
#include <string_view>

#include "commands/KnownFolders.h"
#include "commands/Parameters.h"
#include "config/SystemInfo.h"
#include "support/Failure.h"
#include "support/Formatter.h"

using namespace kestrova;

namespace {

std::u16string_view WithoutTrailingBackslashes(std::u16string_view path) {
  while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  return path;
}

// Replaces every occurrence of pattern, continuing after each inserted replacement.
void ReplaceAll(std::u16string& text, std::u16string_view pattern, std::u16string_view replacement) {
  std::size_t pos = 0;
  while ((pos = text.find(pattern, pos)) != std::u16string::npos) {
    text.replace(pos, pattern.size(), replacement);
    pos += replacement.size();
  }
}

KVResult ExpandProgramFilesPath(std::u16string& text, VariableFacts& facts) {
  // The query comes first so that a failing system fails every expansion that asks for this kind.
  std::uint16_t processMachine = 0;
  std::uint16_t nativeMachine = 0;
  KV_RETURN_IF_FAILED(facts.QueryProcessMachine(processMachine, nativeMachine),
                      "expanding the ProgramFilesPath variable");
  // Under WOW64 the process's own folder, %ProgramFiles%; a native process on a 64-bit system gets
  // %ProgramW6432%. That variable exists only on 64-bit systems, so 32-bit Windows gets %ProgramFiles%.
  const ProcessorArch native = ProcessorArchFromMachine(nativeMachine);
  const bool native64 = native == ProcessorArch::X64 || native == ProcessorArch::ARM64 || native == ProcessorArch::IA64;
  ReplaceAll(text, u"${ProgramFilesPath}",
             processMachine == 0 && native64 ? u"%ProgramW6432%" : u"%ProgramFiles%");
  return KV_OK;
}

KVResult ExpandKnownFolders(std::u16string& text, VariableFacts& facts) {
  std::size_t pos = 0;
  for (;;) {
    const std::size_t open = text.find(u"${", pos);
    if (open == std::u16string::npos) return KV_OK;
    const std::size_t close = text.find(u'}', open + 2);
    if (close == std::u16string::npos) return KV_OK;
    const KnownFolder* folder = FindKnownFolder(std::u16string_view(text).substr(open + 2, close - open - 2));
    if (folder == nullptr) {
      pos = close + 1;  // someone else's variable, or none at all
      continue;
    }
    std::u16string path;
    KV_RETURN_IF_FAILED(facts.KnownFolderPath(folder->id, path), "expanding {}", text.substr(open, close + 1 - open));
    text.replace(open, close + 1 - open, path);
    pos = open + path.size();
  }
}

KVResult ExpandParameters(std::u16string& text, const ParameterStore* store) {
  if (store == nullptr) return KV_E_FAIL;
  for (const auto& [name, value] : *store) {
    std::uint32_t number = 0;
    const std::u16string replacement = ParseNumber(value, number) == KV_OK ? KVFormat(u"0x{:08X}", number) : value;
    ReplaceAll(text, u"${" + name + u"}", replacement);
  }
  return KV_OK;
}

}  // namespace

KVResult ExpandVariables(std::u16string& text, const VariableKinds& kinds, const std::u16string& targetPath,
                         const ParameterStore* store, VariableFacts& facts) {
  for (const VariableKind kind : kinds) {
    KVResult result = KV_OK;
    switch (kind) {
      case VariableKind::SfxPath: {
        const std::u16string programFolder = facts.ProgramFolder();
        ReplaceAll(text, u"${SfxPath}", WithoutTrailingBackslashes(programFolder));
        break;
      }
      case VariableKind::TargetPath:
        ReplaceAll(text, u"${TargetPath}", WithoutTrailingBackslashes(targetPath));
        break;
      case VariableKind::ProgramFilesPath:
        result = ExpandProgramFilesPath(text, facts);
        break;
      case VariableKind::KnownFolder:
        result = ExpandKnownFolders(text, facts);
        break;
      case VariableKind::Parameter:
        result = ExpandParameters(text, store);
        break;
      default:
        result = KV_E_FAIL;
        break;
    }
    if (result != KV_OK) return result;
  }
  return KV_OK;
}
