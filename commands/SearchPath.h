// The folders of a PATH value where a bare program name is looked for.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Splits PATH at ';', removes the double quotes around an entry, and keeps only absolute folders ("C:\...",
// "C:/...", "\\server\share"): an empty or relative entry (".", "bin", "C:tools") would name a folder relative to
// wherever the installer happens to run.
std::vector<std::u16string> SearchPathFolders(std::u16string_view path);
