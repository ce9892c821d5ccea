// A path made absolute by the system.
#pragma once
#include <string>

#include "support/ErrorCodes.h"

namespace kestrova {

// GetFullPathNameW into a text of the size it asks for, asked again when the current folder changed in between.
// 0, or the system's error (never 0), which the caller records with what the path was for.
KVResult KVWinGetFullPathName(const std::u16string& path, std::u16string& fullPath);

}  // namespace kestrova
