// Where the payload is looked for when the executable carries none.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// For a path longer than 4 characters that ends in ".exe" (any case): the same path with ".7z.001" and then
// ".7z" in place of ".exe". Otherwise nothing.
std::vector<std::u16string> SiblingArchivePaths(std::u16string_view executablePath);
