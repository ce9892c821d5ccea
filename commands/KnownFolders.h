// Windows known folders by their published names ("FOLDERID_Desktop", ...), for ${...} variables.
#pragma once
#include <cstdint>
#include <string_view>

// A folder id with the layout of a Windows GUID.
struct KnownFolderId {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

struct KnownFolder {
  std::u16string_view name;
  KnownFolderId id;
};

// The folder of that exact name (case-sensitive, prefix included), or null when it is no known-folder name.
const KnownFolder* FindKnownFolder(std::u16string_view name);
