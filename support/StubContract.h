// What the stub and the builder agree on: where an installer keeps its configuration and its payload, and the
// title a run shows before its configuration names one.
#pragma once
#include <cstdint>

namespace kestrova {

// The configuration document: resource type RT_RCDATA, name 222, language 1033 (English, United States).
inline constexpr std::uint16_t kConfigResourceType = 10;
inline constexpr std::uint16_t kConfigResourceId = 222;
inline constexpr std::uint16_t kConfigResourceLanguage = 1033;

// The payload's 7z signature header must start within the first 8 MiB of the file.
inline constexpr std::uint64_t kPayloadSearchLimit = 8u << 20;

// The title before any configuration is read; a configuration without a title shows the executable's name
// followed by this text.
inline constexpr char16_t kDefaultApplicationTitle[] = u" Self Extractor";

}  // namespace kestrova
