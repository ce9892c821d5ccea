// Variable expansion and path resolution against the running system.
#pragma once
#include <string>

#include "commands/Variables.h"
#include "support/ErrorCodes.h"

// A configured target path as an absolute folder: ${SfxPath}, ${ProgramFilesPath}, known folders, environment
// variables, then made absolute. KV_E_TARGET_TOO_LONG for more than kMaxTargetPathLength characters.
kestrova::KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath);

// ExpandVariables with the system's facts (executables, arguments, message texts).
kestrova::KVResult ExpandVariables(std::u16string& text, const VariableKinds& kinds, const std::u16string& targetPath,
                                   const ParameterStore* store);

// %NAME% environment references in text replaced (the step after the variables of executables and arguments).
kestrova::KVResult ExpandEnvironmentVariables(std::u16string& text);
