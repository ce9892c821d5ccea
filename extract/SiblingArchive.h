// Where the payload is looked for when the executable carries none.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A payload's signature header must start below this offset (8 MiB) of the file.
inline constexpr std::uint64_t kPayloadSearchLimit = 0x800000;

// For a path longer than 4 characters that ends in ".exe" (any case): the same path with ".7z.001" and then
// ".7z" in place of ".exe". Otherwise nothing.
std::vector<std::u16string> SiblingArchivePaths(std::u16string_view executablePath);
