#include "builder/ResourceTable.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "builder/FailureMessage.h"
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

namespace {

// Field offsets of a directory table header, of its entries and of a data entry.
constexpr std::size_t kHeaderCharacteristics = 0;
constexpr std::size_t kHeaderTimeDateStamp = 4;
constexpr std::size_t kHeaderMajorVersion = 8;
constexpr std::size_t kHeaderMinorVersion = 10;
constexpr std::size_t kHeaderNamedEntries = 12;
constexpr std::size_t kHeaderIdEntries = 14;
constexpr std::size_t kEntryNameOrId = 0;
constexpr std::size_t kEntryTarget = 4;
constexpr std::size_t kDataRva = 0;
constexpr std::size_t kDataSize = 4;
constexpr std::size_t kDataCodePage = 8;

// Writes a resource tree for items sorted by type, name and language: every directory table first (the root, the
// types' tables, the names' tables), then the data entries, the name strings, and the data, each datum on an 8-byte
// boundary.
class DirectoryWriter {
 public:
  DirectoryWriter(const ResourceTable& table, const std::vector<Resource>& items)
      : table_(table), items_(items) {
    GroupRuns();
    Lay();
  }

  Bytes Write(std::uint32_t baseRva) {
    out_.assign(size_, 0);
    std::vector<ResourceKey> typeKeys;
    for (const Run& type : types_) typeKeys.push_back(items_[names_[type.first].first].type);
    WriteHeader(0, typeKeys);
    for (std::size_t t = 0; t < types_.size(); ++t) {
      WriteEntry(kDirectoryHeaderSize + kEntrySize * t, typeKeys[t], typeString_[t],
                 kHighBit | static_cast<std::uint32_t>(typeTable_[t]));
      WriteNames(t);
    }
    for (std::size_t i = 0; i < items_.size(); ++i) WriteData(i, baseRva);
    return std::move(out_);
  }

 private:
  struct Run {
    std::size_t first = 0;
    std::size_t count = 0;
  };

  // Runs of items with one type (as runs of names), and within them runs with one name (as runs of items).
  void GroupRuns() {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      const bool newType = i == 0 || items_[i].type != items_[i - 1].type;
      if (newType) types_.push_back({names_.size(), 0});
      if (newType || items_[i].name != items_[i - 1].name) {
        names_.push_back({i, 0});
        ++types_.back().count;
      }
      ++names_.back().count;
    }
  }

  // Where each table, data entry, name string and datum goes.
  void Lay() {
    std::size_t offset = kDirectoryHeaderSize + kEntrySize * types_.size();
    for (const Run& type : types_) {
      typeTable_.push_back(offset);
      offset += kDirectoryHeaderSize + kEntrySize * type.count;
    }
    for (const Run& name : names_) {
      nameTable_.push_back(offset);
      offset += kDirectoryHeaderSize + kEntrySize * name.count;
    }
    dataEntries_ = offset;
    offset += kDataEntrySize * items_.size();
    const auto placeString = [&offset](const ResourceKey& key) {
      const std::size_t at = offset;
      if (key.isName) offset += 2 + 2 * key.name.size();
      return at;
    };
    for (const Run& type : types_) typeString_.push_back(placeString(items_[names_[type.first].first].type));
    for (const Run& name : names_) nameString_.push_back(placeString(items_[name.first].name));
    for (const Resource& item : items_) {
      offset = static_cast<std::size_t>(AlignUp(offset, 8));
      dataAt_.push_back(offset);
      offset += item.data.size();
    }
    size_ = offset;
  }

  void WriteNames(std::size_t t) {
    std::vector<ResourceKey> nameKeys;
    for (std::size_t n = types_[t].first; n < types_[t].first + types_[t].count; ++n) {
      nameKeys.push_back(items_[names_[n].first].name);
    }
    WriteHeader(typeTable_[t], nameKeys);
    for (std::size_t k = 0; k < nameKeys.size(); ++k) {
      const std::size_t n = types_[t].first + k;
      WriteEntry(typeTable_[t] + kDirectoryHeaderSize + kEntrySize * k, nameKeys[k], nameString_[n],
                 kHighBit | static_cast<std::uint32_t>(nameTable_[n]));
      WriteLanguages(n);
    }
  }

  void WriteLanguages(std::size_t n) {
    std::vector<ResourceKey> languages;
    for (std::size_t i = names_[n].first; i < names_[n].first + names_[n].count; ++i) {
      languages.push_back(ResourceKey::Id(items_[i].language));
    }
    WriteHeader(nameTable_[n], languages);
    for (std::size_t l = 0; l < languages.size(); ++l) {
      const std::size_t i = names_[n].first + l;
      WriteEntry(nameTable_[n] + kDirectoryHeaderSize + kEntrySize * l, languages[l], 0,
                 static_cast<std::uint32_t>(dataEntries_ + kDataEntrySize * i));
    }
  }

  void WriteData(std::size_t i, std::uint32_t baseRva) {
    const std::size_t entry = dataEntries_ + kDataEntrySize * i;
    Put32(out_, entry + kDataRva, baseRva + static_cast<std::uint32_t>(dataAt_[i]));
    Put32(out_, entry + kDataSize, static_cast<std::uint32_t>(items_[i].data.size()));
    Put32(out_, entry + kDataCodePage, items_[i].codePage);
    std::copy(items_[i].data.begin(), items_[i].data.end(), out_.begin() + static_cast<std::ptrdiff_t>(dataAt_[i]));
  }

  void WriteHeader(std::size_t at, const std::vector<ResourceKey>& keys) {
    Put32(out_, at + kHeaderCharacteristics, table_.characteristics);
    Put32(out_, at + kHeaderTimeDateStamp, table_.timeDateStamp);
    Put16(out_, at + kHeaderMajorVersion, table_.majorVersion);
    Put16(out_, at + kHeaderMinorVersion, table_.minorVersion);
    const auto named = std::count_if(keys.begin(), keys.end(), [](const ResourceKey& k) { return k.isName; });
    Put16(out_, at + kHeaderNamedEntries, static_cast<std::uint16_t>(named));
    Put16(out_, at + kHeaderIdEntries, static_cast<std::uint16_t>(keys.size() - static_cast<std::size_t>(named)));
  }

  void WriteEntry(std::size_t at, const ResourceKey& key, std::size_t stringAt, std::uint32_t target) {
    Put32(out_, at + kEntryNameOrId, key.isName ? kHighBit | static_cast<std::uint32_t>(stringAt) : key.id);
    Put32(out_, at + kEntryTarget, target);
    if (key.isName) {
      Put16(out_, stringAt, static_cast<std::uint16_t>(key.name.size()));
      for (std::size_t c = 0; c < key.name.size(); ++c) Put16(out_, stringAt + 2 + 2 * c, key.name[c]);
    }
  }

  const ResourceTable& table_;
  const std::vector<Resource>& items_;
  std::vector<Run> types_;
  std::vector<Run> names_;
  std::vector<std::size_t> typeTable_, nameTable_, typeString_, nameString_, dataAt_;
  std::size_t dataEntries_ = 0;
  std::size_t size_ = 0;
  Bytes out_;
};

}  // namespace

Bytes ResourceTable::Serialize(std::uint32_t baseRva) const { return DirectoryWriter(*this, items_).Write(baseRva); }

}  // namespace kestrova
