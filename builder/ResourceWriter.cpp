// Placing a rebuilt resource directory into the image so that the loader maps it and every header agrees.
#include <algorithm>
#include <cstring>
#include <limits>

#include "builder/FailureMessage.h"
#include "builder/ResourceTable.h"
#include "support/Formatter.h"

using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr char kResourceSectionName[] = ".rsrc";
constexpr char kRetiredSectionName[] = ".oldrsrc";  // the old resource section after a new one was added

// The end of the section's mapping, on the section alignment.
std::uint64_t VirtualEnd(const PeImage& image, const PeSection& s) {
  return s.virtualAddress + AlignUp(s.MappedSize(), image.SectionAlignment());
}

// Whether the section holds the resources alone, so that it may be rewritten: the directory starts it, no other
// data directory and no entry point lie inside it, and no other part of the file shares its file data.
bool HoldsOnlyResources(const PeImage& image, const PeSection& s) {
  if (image.Directory(kDirectoryResource).address != s.virtualAddress) return false;
  const std::uint64_t begin = s.virtualAddress;
  const std::uint64_t end = VirtualEnd(image, s);
  const auto inside = [&](std::uint64_t address, std::uint64_t size) {
    return address < end && address + std::max<std::uint64_t>(size, 1) > begin;
  };
  for (std::size_t d = 0; d < kDirectoryCount; ++d) {
    if (d == kDirectoryResource || d == kDirectorySecurity) continue;  // the certificate table is a file offset
    const PeDataDirectory other = image.Directory(d);
    if (other.address != 0 && other.size != 0 && inside(other.address, other.size)) return false;
  }
  const std::uint32_t entryPoint = Get32(image.Data(), image.OptionalHeaderOffset() + kOptAddressOfEntryPoint);
  if (entryPoint != 0 && inside(entryPoint, 1)) return false;
  // Its file data is its own: behind the headers and apart from every other section's.
  const std::uint64_t rawBegin = s.pointerToRawData;
  const std::uint64_t rawEnd = rawBegin + s.sizeOfRawData;
  const std::uint64_t headersEnd = std::max<std::uint64_t>(
      image.SizeOfHeaders(), image.SectionTableOffset() + image.Sections().size() * kSectionHeaderSize);
  if (s.sizeOfRawData != 0 && rawBegin < headersEnd) return false;
  for (const PeSection& other : image.Sections()) {
    if (&other == &s || other.sizeOfRawData == 0) continue;
    if (other.pointerToRawData < rawEnd && other.pointerToRawData + std::uint64_t{other.sizeOfRawData} > rawBegin) {
      return false;
    }
  }
  return true;
}

void SetSectionName(Bytes& out, std::size_t header, const char* name) {
  std::memset(out.data() + header, 0, 8);
  std::memcpy(out.data() + header, name, std::min<std::size_t>(std::strlen(name), 8));
}

// Places the data at `rawPointer`, cutting or zero-padding what the image held there, padded to `rawSize`.
void PlaceRawData(Bytes& out, std::uint64_t rawPointer, const Bytes& data, std::uint64_t rawSize) {
  out.resize(static_cast<std::size_t>(rawPointer), 0);
  out.insert(out.end(), data.begin(), data.end());
  out.resize(static_cast<std::size_t>(rawPointer + rawSize), 0);
}

// What a placement changes besides the bytes of the section.
struct Placed {
  ResourcePlacement placement;
  std::int64_t initializedDataChange = 0;
};

// The old resource section, when the resources hold it alone; -1 otherwise.
int RewritableResourceSection(const PeImage& image) {
  const std::uint32_t address = image.Directory(kDirectoryResource).address;
  if (address == 0) return -1;
  const int found = image.SectionOfRva(address);
  return found >= 0 && HoldsOnlyResources(image, image.Sections()[static_cast<std::size_t>(found)]) ? found : -1;
}

// Rewrites the resource section `s` when the new directory fits it, or when it is the last section and may grow;
// false when neither holds.
bool RewriteSection(const PeImage& image, const PeSection& s, const ResourceTable& table, Bytes& out,
                    Placed& placed) {
  const Bytes blob = table.Serialize(s.virtualAddress);
  const std::uint32_t fileAlignment = image.FileAlignment();
  const std::uint32_t sectionAlignment = image.SectionAlignment();
  std::uint64_t nextAddress = std::numeric_limits<std::uint64_t>::max();
  for (const PeSection& other : image.Sections()) {
    if (other.virtualAddress > s.virtualAddress) nextAddress = std::min<std::uint64_t>(nextAddress, other.virtualAddress);
  }
  const bool fits = AlignUp(blob.size(), fileAlignment) <= s.sizeOfRawData &&
                    s.virtualAddress + AlignUp(blob.size(), sectionAlignment) <= nextAddress;
  const bool isLast = nextAddress == std::numeric_limits<std::uint64_t>::max() &&
                      (s.sizeOfRawData == 0 || std::uint64_t{s.pointerToRawData} + s.sizeOfRawData == image.ImageEnd());
  const std::uint64_t grownEnd = s.virtualAddress + AlignUp(blob.size(), sectionAlignment);
  if (fits) {
    std::fill(out.data() + s.pointerToRawData, out.data() + s.pointerToRawData + s.sizeOfRawData, 0);
    std::copy(blob.begin(), blob.end(), out.data() + s.pointerToRawData);
    placed.placement.kind = ResourcePlacement::Kind::kInPlace;
  } else if (isLast && grownEnd <= std::numeric_limits<std::uint32_t>::max()) {
    const std::uint64_t rawPointer = s.sizeOfRawData != 0 ? s.pointerToRawData : AlignUp(image.ImageEnd(), fileAlignment);
    const std::uint64_t rawSize = AlignUp(blob.size(), fileAlignment);
    PlaceRawData(out, rawPointer, blob, rawSize);
    Put32(out, s.headerOffset + kSectionSizeOfRawData, static_cast<std::uint32_t>(rawSize));
    Put32(out, s.headerOffset + kSectionPointerToRawData, static_cast<std::uint32_t>(rawPointer));
    placed.initializedDataChange = static_cast<std::int64_t>(rawSize) - s.sizeOfRawData;
    placed.placement.kind = ResourcePlacement::Kind::kGrownLastSection;
  } else {
    return false;
  }
  Put32(out, s.headerOffset + kSectionVirtualSize, static_cast<std::uint32_t>(blob.size()));
  placed.placement.rva = s.virtualAddress;
  placed.placement.size = static_cast<std::uint32_t>(blob.size());
  return true;
}

// Adds a section .rsrc behind the image's last mapping, in a section header that fits the headers' free room; an
// old section .rsrc at the old directory becomes .oldrsrc.
KVResult AppendSection(const PeImage& image, const ResourceTable& table, Bytes& out, Placed& placed,
                       std::string& error) {
  const std::vector<PeSection>& sections = image.Sections();
  const std::size_t count = sections.size();
  const std::size_t header = image.SectionTableOffset() + count * kSectionHeaderSize;
  std::uint64_t firstRaw = image.SizeOfHeaders();
  for (const PeSection& s : sections) {
    if (s.sizeOfRawData != 0) firstRaw = std::min<std::uint64_t>(firstRaw, s.pointerToRawData);
  }
  if (count >= kMaxSections || header + kSectionHeaderSize > firstRaw ||
      std::any_of(out.begin() + static_cast<std::ptrdiff_t>(header),
                  out.begin() + static_cast<std::ptrdiff_t>(header + kSectionHeaderSize),
                  [](std::uint8_t b) { return b != 0; })) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the resources need a new section, and the headers have no free room for its "
                         "section header ({} sections, headers end at 0x{:x})",
                         count, firstRaw));
  }
  std::uint64_t virtualEnd = AlignUp(image.SizeOfHeaders(), image.SectionAlignment());
  for (const PeSection& s : sections) virtualEnd = std::max(virtualEnd, VirtualEnd(image, s));
  const Bytes blob = table.Serialize(static_cast<std::uint32_t>(std::min<std::uint64_t>(virtualEnd, 0xFFFFFFFFu)));
  const std::uint64_t rawPointer = AlignUp(image.ImageEnd(), image.FileAlignment());
  const std::uint64_t rawSize = AlignUp(blob.size(), image.FileAlignment());
  if (virtualEnd + AlignUp(blob.size(), image.SectionAlignment()) > std::numeric_limits<std::uint32_t>::max() ||
      rawPointer + rawSize > std::numeric_limits<std::uint32_t>::max()) {
    return Fail(error, KV_E_OUT_OF_RANGE, "the resources do not fit a 32-bit image");
  }
  const std::uint32_t oldAddress = image.Directory(kDirectoryResource).address;
  if (const int old = oldAddress != 0 ? image.SectionOfRva(oldAddress) : -1; old >= 0) {
    const PeSection& retired = sections[static_cast<std::size_t>(old)];
    if (retired.name == kResourceSectionName && retired.virtualAddress == oldAddress) {
      SetSectionName(out, retired.headerOffset, kRetiredSectionName);
    }
  }
  SetSectionName(out, header, kResourceSectionName);
  Put32(out, header + kSectionVirtualSize, static_cast<std::uint32_t>(blob.size()));
  Put32(out, header + kSectionVirtualAddress, static_cast<std::uint32_t>(virtualEnd));
  Put32(out, header + kSectionSizeOfRawData, static_cast<std::uint32_t>(rawSize));
  Put32(out, header + kSectionPointerToRawData, static_cast<std::uint32_t>(rawPointer));
  Put32(out, header + kSectionCharacteristics, kSectionInitializedData | kSectionMemRead);
  Put16(out, image.FileHeaderOffset() + kFileNumberOfSections, static_cast<std::uint16_t>(count + 1));
  PlaceRawData(out, rawPointer, blob, rawSize);
  placed.initializedDataChange = static_cast<std::int64_t>(rawSize);
  placed.placement = {ResourcePlacement::Kind::kNewSection, static_cast<std::uint32_t>(virtualEnd),
                      static_cast<std::uint32_t>(blob.size())};
  return KV_OK;
}

// The headers that follow from the new layout: the resource directory entry, SizeOfInitializedData, SizeOfImage
// (from the section table as it now is) and the checksum.
void UpdateHeaders(const PeImage& image, const Placed& placed, Bytes& out) {
  const std::size_t directoryEntry = image.DirectoryOffset(kDirectoryResource);
  Put32(out, directoryEntry, placed.placement.rva);
  Put32(out, directoryEntry + 4, placed.placement.size);
  const std::size_t opt = image.OptionalHeaderOffset();
  const std::int64_t initializedData = std::max<std::int64_t>(
      0, std::int64_t{Get32(out, opt + kOptSizeOfInitializedData)} + placed.initializedDataChange);
  Put32(out, opt + kOptSizeOfInitializedData,
        static_cast<std::uint32_t>(std::min<std::int64_t>(initializedData, 0xFFFFFFFF)));
  const std::uint32_t sectionAlignment = image.SectionAlignment();
  std::uint64_t sizeOfImage = AlignUp(image.SizeOfHeaders(), sectionAlignment);
  for (std::size_t i = 0, n = Get16(out, image.FileHeaderOffset() + kFileNumberOfSections); i < n; ++i) {
    const std::size_t h = image.SectionTableOffset() + i * kSectionHeaderSize;
    const std::uint32_t virtualSize = Get32(out, h + kSectionVirtualSize);
    const std::uint32_t mapped = virtualSize != 0 ? virtualSize : Get32(out, h + kSectionSizeOfRawData);
    sizeOfImage = std::max(sizeOfImage, Get32(out, h + kSectionVirtualAddress) + AlignUp(mapped, sectionAlignment));
  }
  Put32(out, opt + kOptSizeOfImage, static_cast<std::uint32_t>(std::min<std::uint64_t>(sizeOfImage, 0xFFFFFFFFu)));
  Put32(out, image.CheckSumOffset(), 0);
  Put32(out, image.CheckSumOffset(), ComputePeChecksum(out, image.CheckSumOffset()));
}

}  // namespace

std::string ResourcePlacement::Describe() const {
  switch (kind) {
    case Kind::kInPlace: return "rewritten in place in the resource section";
    case Kind::kGrownLastSection: return "rewritten in the resource section, the last one, resized";
    case Kind::kNewSection: return "written to a new last section .rsrc";
  }
  return {};
}

KVResult WriteResources(const PeImage& image, const ResourceTable& table, Bytes& newImage,
                        ResourcePlacement& placement, std::string& error) {
  const Bytes& data = image.Data();
  if (data.size() < image.ImageEnd()) {
    return Fail(error, KV_E_OUT_OF_RANGE, "the image is not held in memory up to its end");
  }
  if (image.DirectoryOffset(kDirectoryResource) == 0) {
    return Fail(error, KV_E_INVALID_DATA, "the optional header has no resource data directory entry");
  }
  Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(image.ImageEnd()));
  Placed placed;
  const int section = RewritableResourceSection(image);
  if (section < 0 || !RewriteSection(image, image.Sections()[static_cast<std::size_t>(section)], table, out, placed)) {
    if (const KVResult r = AppendSection(image, table, out, placed, error); r != KV_OK) return r;
  }
  UpdateHeaders(image, placed, out);
  placement = placed.placement;
  newImage = std::move(out);
  return KV_OK;
}

}  // namespace kestrova
