// A configured target path turned into the absolute folder the tasks work in.
#pragma once
#include <string>

#include "commands/VariableFacts.h"
#include "support/ErrorCodes.h"

// The longest target folder a run accepts, in UTF-16 code units.
inline constexpr unsigned kMaxTargetPathLength = 248;

// ${SfxPath}, ${ProgramFilesPath} and known folders, then environment variables, then made absolute against the
// current directory. absolutePath is set only on success.
kestrova::KVResult ExpandToAbsolutePath(std::u16string& absolutePath, const std::u16string& configuredPath,
                                        VariableFacts& facts);

// ExpandToAbsolutePath, and an absolute path longer than kMaxTargetPathLength is KV_E_TARGET_TOO_LONG.
kestrova::KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath,
                               VariableFacts& facts);
