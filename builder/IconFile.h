// Icon files (.ico) and the application icon of a resource table (RT_GROUP_ICON with its RT_ICON images).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ResourceTable.h"

namespace kestrova {

struct IconImage {
  std::uint8_t width = 0;  // 0 means 256
  std::uint8_t height = 0;
  std::uint8_t colorCount = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  Bytes data;  // a DIB (BITMAPINFOHEADER, colours, XOR and AND masks) or a PNG file
};

// Reads an .ico file: its directory and every image, each checked to lie inside the file.
KVResult ParseIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error);

// What SetApplicationIcon did.
struct IconChange {
  ResourceKey group;                // the group's name
  std::vector<std::uint16_t> languages;
  std::size_t imagesRemoved = 0;
  std::vector<std::uint16_t> imageIds;  // of the new RT_ICON resources
};

// Replaces the application icon, the first RT_GROUP_ICON in directory order (the one Windows shows for the
// file), in each of its languages, and removes the RT_ICON images that only it used. Without an icon group,
// adds group 1 in language 1033. New images take the lowest free RT_ICON IDs.
KVResult SetApplicationIcon(ResourceTable& table, const std::vector<IconImage>& images, IconChange& change,
                            std::string& error);

// The RT_ICON IDs that a group resource lists; false when its data is malformed.
bool ReadIconGroup(const Bytes& group, std::vector<std::uint16_t>& ids);

}  // namespace kestrova
