// Target-path resolution against the running system.
#pragma once
#include <string>

#include "support/ErrorCodes.h"

// A configured target path as an absolute folder: ${SfxPath}, ${ProgramFilesPath}, known folders, environment
// variables, then made absolute. KV_E_TARGET_TOO_LONG for more than kMaxTargetPathLength characters.
kestrova::KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath);
