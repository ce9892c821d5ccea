// ${...} variables in configured paths, commands and message texts.
#pragma once
#include <string>
#include <vector>

#include "commands/VariableFacts.h"
#include "support/ErrorCodes.h"

class ParameterStore;

// The families of variables one expansion may replace; the values are fixed.
enum class VariableKind : int {
  SfxPath = 0,           // ${SfxPath}: the program folder
  TargetPath = 1,        // ${TargetPath}: the target path handed to the expansion
  ProgramFilesPath = 2,  // ${ProgramFilesPath}: the native Program Files folder, as an environment reference
  KnownFolder = 3,       // ${FOLDERID_...}: a Windows known folder
  Parameter = 4,         // ${name} for every entry of the parameter store
};

using VariableKinds = std::vector<VariableKind>;

// The kinds each kind of configured text gets, in order.
inline const VariableKinds kPathVariables = {VariableKind::SfxPath, VariableKind::ProgramFilesPath,
                                             VariableKind::KnownFolder};
inline const VariableKinds kCommandVariables = {VariableKind::SfxPath, VariableKind::ProgramFilesPath,
                                                VariableKind::KnownFolder, VariableKind::TargetPath};
inline const VariableKinds kMessageVariables = {VariableKind::SfxPath, VariableKind::ProgramFilesPath,
                                                VariableKind::KnownFolder, VariableKind::TargetPath,
                                                VariableKind::Parameter};

// Replaces the variables of the given kinds in text, kind by kind in the order given; each kind sees the text the
// earlier kinds left and never rescans what it inserted itself. Variables of no listed kind stay as they are.
// The Parameter kind needs a store (else KV_E_FAIL); numeric values are inserted as "0x{:08X}". On failure the
// text is partly replaced and must be discarded.
kestrova::KVResult ExpandVariables(std::u16string& text, const VariableKinds& kinds, const std::u16string& targetPath,
                                   const ParameterStore* store, VariableFacts& facts);
