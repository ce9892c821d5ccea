#include "builder/ResourceTable.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "support/Formatter.h"
#include "support/Text.h"

using kestrova::KV_E_DUPLICATE;
using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;

bool KeyLess(const Resource& a, const Resource& b) {
  if (a.type != b.type) return a.type < b.type;
  if (a.name != b.name) return a.name < b.name;
  return a.language < b.language;
}

bool SameKey(const Resource& a, const Resource& b) {
  return a.type == b.type && a.name == b.name && a.language == b.language;
}

// Reads the tree below the resource directory, which starts at file offset `base_` and may extend over the
// `limit_` bytes up to the end of its section's file data. Offsets in the tree are relative to its start.
class TreeReader {
 public:
  TreeReader(const PeImage& image, std::size_t base, std::uint32_t limit, std::vector<Resource>& out,
             std::string& error)
      : image_(image), base_(base), limit_(limit), out_(out), error_(error) {}

  // Level 0 holds types, level 1 names, level 2 languages whose entries point at data entries.
  KVResult Directory(int level, std::uint32_t offset, const ResourceKey* type, const ResourceKey* name) {
    static const char* const kLevelNames[] = {"type", "name", "language"};
    if (!InRange(offset, kDirectoryHeaderSize, limit_)) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("a resource directory at offset 0x{:x} lies outside the resource section (0x{:x} bytes)",
                           offset, limit_));
    }
    if (!visited_.insert(offset).second) {
      return Fail(error_, KV_E_INVALID_DATA,
                  KVFormat("the resource tree reaches the directory at offset 0x{:x} twice (a loop)", offset));
    }
    const std::uint8_t* header = At(offset);
    const std::uint32_t count = std::uint32_t{Get16(header + 12)} + Get16(header + 14);
    if (!InRange(offset + kDirectoryHeaderSize, std::uint64_t{count} * kEntrySize, limit_)) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("the resource directory at offset 0x{:x} claims {} entries, more than the resource "
                           "section holds",
                           offset, count));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* entry = At(offset + kDirectoryHeaderSize + i * kEntrySize);
      const std::uint32_t nameField = Get32(entry);
      const std::uint32_t dataField = Get32(entry + 4);
      ResourceKey key;
      if (const KVResult r = Key(nameField, key); r != KV_OK) return r;
      const bool isDirectory = (dataField & kHighBit) != 0;
      if (level < 2 && !isDirectory) {
        return Fail(error_, KV_E_INVALID_DATA,
                    KVFormat("the resource tree has data at the {} level, where directories belong",
                             kLevelNames[level]));
      }
      if (level == 2) {
        if (isDirectory) {
          return Fail(error_, KV_E_INVALID_DATA,
                      "the resource tree is deeper than type, name and language (a directory at the language "
                      "level)");
        }
        if (key.isName) return Fail(error_, KV_E_INVALID_DATA, "a resource language is given by a name");
        if (const KVResult r = Leaf(dataField, *type, *name, key.id); r != KV_OK) return r;
      } else if (const KVResult r = Directory(level + 1, dataField & ~kHighBit, level == 0 ? &key : type,
                                              level == 1 ? &key : nullptr);
                 r != KV_OK) {
        return r;
      }
    }
    return KV_OK;
  }

  std::uint64_t TotalData() const { return totalData_; }

 private:
  const std::uint8_t* At(std::size_t offset) const { return image_.Data().data() + base_ + offset; }

  KVResult Key(std::uint32_t field, ResourceKey& key) {
    if ((field & kHighBit) == 0) {
      if (field > 0xFFFF) {
        return Fail(error_, KV_E_INVALID_DATA, KVFormat("a resource ID 0x{:x} does not fit 16 bits", field));
      }
      key = ResourceKey::Id(static_cast<std::uint16_t>(field));
      return KV_OK;
    }
    const std::uint32_t offset = field & ~kHighBit;
    if (!InRange(offset, 2, limit_) || !InRange(offset + 2u, std::uint64_t{Get16(At(offset))} * 2, limit_)) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("a resource name at offset 0x{:x} lies outside the resource section", offset));
    }
    const std::uint16_t length = Get16(At(offset));
    std::u16string name(length, u'\0');
    for (std::uint16_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(Get16(At(offset + 2u + 2u * i)));
    key = ResourceKey::Name(std::move(name));
    return KV_OK;
  }

  KVResult Leaf(std::uint32_t offset, const ResourceKey& type, const ResourceKey& name, std::uint16_t language) {
    Resource resource{type, name, language, 0, {}};
    if (!InRange(offset, kDataEntrySize, limit_)) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("the data entry of {} at offset 0x{:x} lies outside the resource section",
                           resource.Describe(), offset));
    }
    const std::uint32_t rva = Get32(At(offset));
    const std::uint32_t size = Get32(At(offset + 4));
    resource.codePage = Get32(At(offset + 8));
    std::size_t dataOffset = 0;
    if (!image_.RvaToOffset(rva, size, dataOffset)) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("the data of {} ({} bytes at RVA 0x{:x}) lies outside the sections' file data",
                           resource.Describe(), size, rva));
    }
    totalData_ += size;
    if (totalData_ > kMaxResourceData) {
      return Fail(error_, KV_E_OUT_OF_RANGE,
                  KVFormat("the resources hold more than {} MiB of data", kMaxResourceData >> 20));
    }
    const auto first = image_.Data().begin() + static_cast<std::ptrdiff_t>(dataOffset);
    resource.data.assign(first, first + static_cast<std::ptrdiff_t>(size));
    out_.push_back(std::move(resource));
    return KV_OK;
  }

  const PeImage& image_;
  std::size_t base_;
  std::uint32_t limit_;
  std::vector<Resource>& out_;
  std::string& error_;
  std::set<std::uint32_t> visited_;
  std::uint64_t totalData_ = 0;
};

}  // namespace

std::string ResourceKey::ToString() const {
  return isName ? "\"" + kestrova::Utf16ToUtf8(name) + "\"" : std::to_string(id);
}

std::string ResourceKey::TypeToString() const {
  if (!isName) {
    switch (id) {
      case kRtIcon: return "RT_ICON";
      case kRtDialog: return "RT_DIALOG";
      case kRtRcData: return "RT_RCDATA";
      case kRtGroupIcon: return "RT_GROUP_ICON";
      case kRtVersion: return "RT_VERSION";
      case kRtManifest: return "RT_MANIFEST";
      default: break;
    }
  }
  return "type " + ToString();
}

std::string Resource::Describe() const {
  return KVFormat("{} {} (language {})", type.TypeToString(), name.ToString(), language);
}

KVResult ResourceTable::Read(const PeImage& image, ResourceTable& table, std::string& error) {
  table = ResourceTable();
  const PeDataDirectory directory = image.Directory(kDirectoryResource);
  if (directory.address == 0) return KV_OK;
  std::size_t base = 0;
  std::uint64_t available = 0;
  if (!image.RvaToOffset(directory.address, kDirectoryHeaderSize, base, &available)) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                KVFormat("the resource directory (RVA 0x{:x}) lies outside the sections' file data",
                         directory.address));
  }
  const auto limit = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, 0xFFFFFFFFu));
  const std::uint8_t* root = image.Data().data() + base;
  table.characteristics = Get32(root);
  table.timeDateStamp = Get32(root + 4);
  table.majorVersion = Get16(root + 8);
  table.minorVersion = Get16(root + 10);
  TreeReader reader(image, base, limit, table.items_, error);
  if (const KVResult r = reader.Directory(0, 0, nullptr, nullptr); r != KV_OK) return r;
  std::stable_sort(table.items_.begin(), table.items_.end(), KeyLess);
  const auto duplicate = std::adjacent_find(table.items_.begin(), table.items_.end(), SameKey);
  if (duplicate != table.items_.end()) {
    return Fail(error, KV_E_DUPLICATE, "the resource directory lists " + duplicate->Describe() + " twice");
  }
  return KV_OK;
}

const Resource* ResourceTable::Find(const ResourceKey& type, const ResourceKey& name,
                                    std::uint16_t language) const {
  for (const Resource& r : items_) {
    if (r.type == type && r.name == name && r.language == language) return &r;
  }
  return nullptr;
}

void ResourceTable::Set(Resource resource) {
  const auto at = std::lower_bound(items_.begin(), items_.end(), resource, KeyLess);
  if (at != items_.end() && SameKey(*at, resource)) {
    *at = std::move(resource);
  } else {
    items_.insert(at, std::move(resource));
  }
}

std::size_t ResourceTable::Remove(const ResourceKey& type, const ResourceKey& name) {
  const std::size_t before = items_.size();
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const Resource& r) { return r.type == type && r.name == name; }),
               items_.end());
  return before - items_.size();
}

std::size_t ResourceTable::Remove(const ResourceKey& type, const ResourceKey& name, std::uint16_t language) {
  const std::size_t before = items_.size();
  items_.erase(std::remove_if(items_.begin(), items_.end(),
                              [&](const Resource& r) {
                                return r.type == type && r.name == name && r.language == language;
                              }),
               items_.end());
  return before - items_.size();
}

Bytes ResourceTable::Serialize(std::uint32_t baseRva) const {
  // Runs of items with one type, and within them runs with one name.
  struct Run {
    std::size_t first = 0;
    std::size_t count = 0;
  };
  std::vector<Run> types;  // runs of `names`
  std::vector<Run> names;  // runs of `items_`
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const bool newType = i == 0 || items_[i].type != items_[i - 1].type;
    if (newType) types.push_back({names.size(), 0});
    if (newType || items_[i].name != items_[i - 1].name) {
      names.push_back({i, 0});
      ++types.back().count;
    }
    ++names.back().count;
  }

  // Layout: all directory tables (root, types' tables, names' tables), the data entries, the name strings,
  // then the data, each block on an 8-byte boundary.
  std::size_t offset = kDirectoryHeaderSize + kEntrySize * types.size();
  std::vector<std::size_t> typeTable(types.size());
  for (std::size_t t = 0; t < types.size(); ++t) {
    typeTable[t] = offset;
    offset += kDirectoryHeaderSize + kEntrySize * types[t].count;
  }
  std::vector<std::size_t> nameTable(names.size());
  for (std::size_t n = 0; n < names.size(); ++n) {
    nameTable[n] = offset;
    offset += kDirectoryHeaderSize + kEntrySize * names[n].count;
  }
  const std::size_t dataEntries = offset;
  offset += kDataEntrySize * items_.size();
  const auto placeString = [&offset](const ResourceKey& key) {
    const std::size_t at = offset;
    if (key.isName) offset += 2 + 2 * key.name.size();
    return at;
  };
  std::vector<std::size_t> typeString(types.size());
  for (std::size_t t = 0; t < types.size(); ++t) typeString[t] = placeString(items_[names[types[t].first].first].type);
  std::vector<std::size_t> nameString(names.size());
  for (std::size_t n = 0; n < names.size(); ++n) nameString[n] = placeString(items_[names[n].first].name);
  std::vector<std::size_t> dataAt(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    offset = static_cast<std::size_t>(AlignUp(offset, 8));
    dataAt[i] = offset;
    offset += items_[i].data.size();
  }

  Bytes out(offset, 0);
  const auto writeHeader = [&](std::size_t at, const std::vector<ResourceKey>& keys) {
    Put32(out, at, characteristics);
    Put32(out, at + 4, timeDateStamp);
    Put16(out, at + 8, majorVersion);
    Put16(out, at + 10, minorVersion);
    const auto named = std::count_if(keys.begin(), keys.end(), [](const ResourceKey& k) { return k.isName; });
    Put16(out, at + 12, static_cast<std::uint16_t>(named));
    Put16(out, at + 14, static_cast<std::uint16_t>(keys.size() - static_cast<std::size_t>(named)));
  };
  const auto writeEntry = [&](std::size_t at, const ResourceKey& key, std::size_t stringAt, std::uint32_t target) {
    Put32(out, at, key.isName ? kHighBit | static_cast<std::uint32_t>(stringAt) : key.id);
    Put32(out, at + 4, target);
    if (key.isName) {
      Put16(out, stringAt, static_cast<std::uint16_t>(key.name.size()));
      for (std::size_t c = 0; c < key.name.size(); ++c) Put16(out, stringAt + 2 + 2 * c, key.name[c]);
    }
  };

  std::vector<ResourceKey> keys;
  for (std::size_t t = 0; t < types.size(); ++t) keys.push_back(items_[names[types[t].first].first].type);
  writeHeader(0, keys);
  for (std::size_t t = 0; t < types.size(); ++t) {
    writeEntry(kDirectoryHeaderSize + kEntrySize * t, keys[t], typeString[t],
               kHighBit | static_cast<std::uint32_t>(typeTable[t]));
    std::vector<ResourceKey> nameKeys;
    for (std::size_t n = types[t].first; n < types[t].first + types[t].count; ++n) {
      nameKeys.push_back(items_[names[n].first].name);
    }
    writeHeader(typeTable[t], nameKeys);
    for (std::size_t k = 0; k < nameKeys.size(); ++k) {
      const std::size_t n = types[t].first + k;
      writeEntry(typeTable[t] + kDirectoryHeaderSize + kEntrySize * k, nameKeys[k], nameString[n],
                 kHighBit | static_cast<std::uint32_t>(nameTable[n]));
      std::vector<ResourceKey> languages;
      for (std::size_t i = names[n].first; i < names[n].first + names[n].count; ++i) {
        languages.push_back(ResourceKey::Id(items_[i].language));
      }
      writeHeader(nameTable[n], languages);
      for (std::size_t l = 0; l < languages.size(); ++l) {
        const std::size_t i = names[n].first + l;
        const std::size_t entry = dataEntries + kDataEntrySize * i;
        writeEntry(nameTable[n] + kDirectoryHeaderSize + kEntrySize * l, languages[l], 0,
                   static_cast<std::uint32_t>(entry));
        Put32(out, entry, baseRva + static_cast<std::uint32_t>(dataAt[i]));
        Put32(out, entry + 4, static_cast<std::uint32_t>(items_[i].data.size()));
        Put32(out, entry + 8, items_[i].codePage);
        std::copy(items_[i].data.begin(), items_[i].data.end(), out.begin() + static_cast<std::ptrdiff_t>(dataAt[i]));
      }
    }
  }
  return out;
}

}  // namespace kestrova
