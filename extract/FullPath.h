// Forms of a full (absolute, normalised) Windows path.
#pragma once
#include <string>
#include <string_view>

// The extended-length form, which Win32 file functions take without the 260-character limit: "C:\x" becomes
// "\\?\C:\x", "\\server\share\x" becomes "\\?\UNC\server\share\x"; a path already in extended-length or device
// form ("\\?\", "\\.\") and any other path stay as they are. The form is taken literally (no "." or ".."
// folding, no '/' conversion), hence the path must be full and normalised.
std::u16string ToExtendedLengthPath(std::u16string_view fullPath);

// Drops trailing backslashes, keeping the one of a drive root ("C:\").
std::u16string_view WithoutTrailingSeparators(std::u16string_view fullPath);

// True for a drive root ("C:", "C:\") or a share root ("\\server\share"), also in extended-length form.
bool IsRootFolder(std::u16string_view fullPath);
