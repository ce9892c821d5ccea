// The folder of the folder dialog: the edit text normalised on every change, and the length check at OK.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/VariableFacts.h"

// The text resolved like a target (variables, environment, absolute path) without trailing backslashes; a
// drive root keeps its backslash, since "C:" would name the drive's current directory. Empty when the text is
// empty or cannot be resolved: no usable folder. Longer folders than a target may have pass: the dialog
// refuses them at OK with a message.
std::u16string NormalizeFolderText(const std::u16string& text, VariableFacts& facts);

// The length checked at OK: that of the long form when the system could give it (`longPathResult` is what
// GetLongPathNameW returned for a buffer of `bufferUnits`: 0 on failure, the needed size with the terminating
// zero when the buffer was too small), else that of the folder as it stands.
std::size_t FolderLengthAtOk(const std::u16string& folder, std::uint32_t longPathResult, std::uint32_t bufferUnits);

// Whether the dialog may end with the folder; otherwise it shows FolderTooLongMessage() and stays.
bool FolderLengthAccepted(std::size_t length);
std::u16string FolderTooLongMessage();
