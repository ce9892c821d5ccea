// The resources of a PE image as a flat table: read from the resource directory, edited, and written back as a
// new resource section.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builder/Bytes.h"
#include "builder/PeImage.h"

namespace kestrova {

inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtDialog = 5;
inline constexpr std::uint16_t kRtRcData = 10;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;
inline constexpr std::uint16_t kRtManifest = 24;

inline constexpr std::uint16_t kLanguageEnglishUs = 1033;

// The most resource data a table may hold (a guard against crafted directories that share one large block).
inline constexpr std::uint64_t kMaxResourceData = 256u << 20;

// A resource type or name: a 16-bit ID or a UTF-16 name. Names sort before IDs, names by their UTF-16 code
// units and IDs by value: the order in which the Windows loader searches a directory.
struct ResourceKey {
  bool isName = false;
  std::uint16_t id = 0;
  std::u16string name;

  static ResourceKey Id(std::uint16_t value) { return {false, value, {}}; }
  static ResourceKey Name(std::u16string value) { return {true, 0, std::move(value)}; }
  std::string ToString() const;  // "222", "RT_RCDATA" for a type, or a quoted name
  std::string TypeToString() const;

  friend bool operator==(const ResourceKey& a, const ResourceKey& b) {
    return a.isName == b.isName && a.id == b.id && a.name == b.name;
  }
  friend bool operator!=(const ResourceKey& a, const ResourceKey& b) { return !(a == b); }
  friend bool operator<(const ResourceKey& a, const ResourceKey& b) {
    if (a.isName != b.isName) return a.isName;
    return a.isName ? a.name < b.name : a.id < b.id;
  }
};

struct Resource {
  ResourceKey type;
  ResourceKey name;
  std::uint16_t language = 0;
  std::uint32_t codePage = 0;
  Bytes data;

  std::string Describe() const;  // "RT_RCDATA 222 (language 1033)"
};

class ResourceTable {
 public:
  // Reads the resource directory of `image`: exactly three levels (type, name, language) with every offset,
  // count and data range checked. An image without a resource directory gives an empty table.
  static KVResult Read(const PeImage& image, ResourceTable& table, std::string& error);

  // The resources in directory order (type, name, language).
  const std::vector<Resource>& Items() const { return items_; }
  const Resource* Find(const ResourceKey& type, const ResourceKey& name, std::uint16_t language) const;
  // Adds the resource, or replaces the one with the same type, name and language.
  void Set(Resource resource);
  // Removes every language of type/name; returns how many were removed.
  std::size_t Remove(const ResourceKey& type, const ResourceKey& name);
  std::size_t Remove(const ResourceKey& type, const ResourceKey& name, std::uint16_t language);

  // The resource directory and data as they are laid out in a section whose first byte has the RVA `baseRva`.
  Bytes Serialize(std::uint32_t baseRva) const;

  // Header fields of the root directory, written back into every directory table.
  std::uint32_t characteristics = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint16_t majorVersion = 0;
  std::uint16_t minorVersion = 0;

 private:
  std::vector<Resource> items_;
};

// Where the rewritten resources went.
struct ResourcePlacement {
  enum class Kind { kInPlace, kGrownLastSection, kNewSection };
  Kind kind = Kind::kInPlace;
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
  std::string Describe() const;
};

// Writes `table` into a copy of the image (the bytes up to its end; nothing behind it) as its resources:
// rewritten in place when the old resource section is the last one or the new data fits it, else in a new last
// section. Headers follow: section table, SizeOfImage, SizeOfInitializedData, the resource data directory and
// the checksum of the image alone.
KVResult WriteResources(const PeImage& image, const ResourceTable& table, Bytes& newImage,
                        ResourcePlacement& placement, std::string& error);

}  // namespace kestrova
