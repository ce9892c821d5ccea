#include "builder/IconFile.h"

#include <algorithm>
#include <set>

#include "builder/FailureMessage.h"
#include "support/Formatter.h"

using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconFileEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Planes and bit count as Windows picks an image by them: from the image itself when the file leaves them 0.
void CompleteFormat(IconImage& image) {
  const Bytes& d = image.data;
  if (d.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), d.begin())) {
    if (image.planes == 0) image.planes = 1;
    if (image.bitCount == 0) image.bitCount = 32;
  } else if (d.size() >= 16 && Get32(d, 0) >= 16) {  // BITMAPINFOHEADER: planes at 12, bit count at 14
    if (image.planes == 0) image.planes = Get16(d, 12);
    if (image.bitCount == 0) image.bitCount = Get16(d, 14);
  }
}

}  // namespace

KVResult ParseIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error) {
  images.clear();
  if (file.size() < kIconDirSize || Get16(file, 0) != 0 || Get16(file, 2) != 1) {
    return Fail(error, KV_E_INVALID_DATA, "not an icon file (no icon directory header)");
  }
  const std::size_t count = Get16(file, 4);
  if (count == 0) return Fail(error, KV_E_INVALID_DATA, "the icon file holds no image");
  if (!InRange(kIconDirSize, count * kIconFileEntrySize, file.size())) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                KVFormat("the icon file is truncated: its directory lists {} images", count));
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = kIconDirSize + i * kIconFileEntrySize;
    IconImage image;
    image.width = file[e];
    image.height = file[e + 1];
    image.colorCount = file[e + 2];
    image.planes = Get16(file, e + 4);
    image.bitCount = Get16(file, e + 6);
    const std::uint32_t size = Get32(file, e + 8);
    const std::uint32_t offset = Get32(file, e + 12);
    if (size == 0 || !InRange(offset, size, file.size())) {
      return Fail(error, KV_E_OUT_OF_RANGE,
                  KVFormat("icon image {} ({} bytes at offset {}) lies outside the file ({} bytes)", i + 1, size,
                           offset, file.size()));
    }
    image.data.assign(file.data() + offset, file.data() + offset + size);
    CompleteFormat(image);
    images.push_back(std::move(image));
  }
  return KV_OK;
}

bool ReadIconGroup(const Bytes& group, std::vector<std::uint16_t>& ids) {
  ids.clear();
  if (group.size() < kIconDirSize || Get16(group, 2) != 1) return false;
  const std::size_t count = Get16(group, 4);
  if (!InRange(kIconDirSize, count * kGroupEntrySize, group.size())) return false;
  for (std::size_t i = 0; i < count; ++i) ids.push_back(Get16(group, kIconDirSize + i * kGroupEntrySize + 12));
  return true;
}

KVResult SetApplicationIcon(ResourceTable& table, const std::vector<IconImage>& images, IconChange& change,
                            std::string& error) {
  change = IconChange();
  const ResourceKey groupType = ResourceKey::Id(kRtGroupIcon);
  const ResourceKey iconType = ResourceKey::Id(kRtIcon);
  const auto& items = table.Items();
  const auto firstGroup =
      std::find_if(items.begin(), items.end(), [&](const Resource& r) { return r.type == groupType; });
  change.group = firstGroup != items.end() ? firstGroup->name : ResourceKey::Id(1);

  // Images the old group used, and those other groups still use.
  std::set<std::pair<std::uint16_t, std::uint16_t>> oldImages;  // (language, id)
  std::set<std::pair<std::uint16_t, std::uint16_t>> kept;
  for (const Resource& r : items) {
    if (r.type != groupType) continue;
    std::vector<std::uint16_t> ids;
    if (!ReadIconGroup(r.data, ids)) {
      return Fail(error, KV_E_INVALID_DATA, "the stub's icon group " + r.Describe() + " is malformed");
    }
    const bool isOld = r.name == change.group;
    if (isOld) change.languages.push_back(r.language);
    for (const std::uint16_t id : ids) (isOld ? oldImages : kept).insert({r.language, id});
  }
  if (change.languages.empty()) change.languages.push_back(kLanguageEnglishUs);
  table.Remove(groupType, change.group);
  for (const auto& [language, id] : oldImages) {
    if (kept.count({language, id}) == 0) change.imagesRemoved += table.Remove(iconType, ResourceKey::Id(id), language);
  }

  std::set<std::uint16_t> used;
  for (const Resource& r : table.Items()) {
    if (r.type == iconType && !r.name.isName) used.insert(r.name.id);
  }
  for (std::uint32_t id = 1; id <= 0xFFFF && change.imageIds.size() < images.size(); ++id) {
    if (used.count(static_cast<std::uint16_t>(id)) == 0) change.imageIds.push_back(static_cast<std::uint16_t>(id));
  }
  if (change.imageIds.size() < images.size()) {
    return Fail(error, KV_E_OUT_OF_RANGE, "no free RT_ICON IDs are left for the icon's images");
  }

  Bytes group;
  Append16(group, 0);
  Append16(group, 1);
  Append16(group, static_cast<std::uint16_t>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    group.push_back(image.width);
    group.push_back(image.height);
    group.push_back(image.colorCount);
    group.push_back(0);
    Append16(group, image.planes);
    Append16(group, image.bitCount);
    Append32(group, static_cast<std::uint32_t>(image.data.size()));
    Append16(group, change.imageIds[i]);
  }
  for (const std::uint16_t language : change.languages) {
    for (std::size_t i = 0; i < images.size(); ++i) {
      table.Set({iconType, ResourceKey::Id(change.imageIds[i]), language, 0, images[i].data});
    }
    table.Set({groupType, change.group, language, 0, group});
  }
  return KV_OK;
}

}  // namespace kestrova
