// Placing a rebuilt resource directory into the image so that the loader maps it and every header agrees.
#include <algorithm>
#include <cstring>
#include <limits>

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
  const std::uint32_t entryPoint = Get32(image.Data(), image.OptionalHeaderOffset() + 16);
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
  const std::uint64_t imageEnd = image.ImageEnd();
  if (data.size() < imageEnd) {
    return Fail(error, KV_E_OUT_OF_RANGE, "the image is not held in memory up to its end");
  }
  const std::size_t directoryEntry = image.DirectoryOffset(kDirectoryResource);
  if (directoryEntry == 0) {
    return Fail(error, KV_E_INVALID_DATA, "the optional header has no resource data directory entry");
  }
  const std::vector<PeSection>& sections = image.Sections();
  const std::uint32_t fileAlignment = image.FileAlignment();
  const std::uint32_t sectionAlignment = image.SectionAlignment();
  std::uint64_t virtualEnd = AlignUp(image.SizeOfHeaders(), sectionAlignment);
  for (const PeSection& s : sections) virtualEnd = std::max(virtualEnd, VirtualEnd(image, s));

  Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(imageEnd));
  std::int64_t initializedDataChange = 0;
  Bytes blob;

  // The old resource section, when it can be rewritten.
  int index = -1;
  const std::uint32_t oldAddress = image.Directory(kDirectoryResource).address;
  if (oldAddress != 0) {
    const int found = image.SectionOfRva(oldAddress);
    if (found >= 0 && HoldsOnlyResources(image, sections[static_cast<std::size_t>(found)])) index = found;
  }
  if (index >= 0) {
    const PeSection& s = sections[static_cast<std::size_t>(index)];
    blob = table.Serialize(s.virtualAddress);
    std::uint64_t nextAddress = std::numeric_limits<std::uint64_t>::max();
    for (const PeSection& other : sections) {
      if (other.virtualAddress > s.virtualAddress) nextAddress = std::min<std::uint64_t>(nextAddress, other.virtualAddress);
    }
    const bool fits = AlignUp(blob.size(), fileAlignment) <= s.sizeOfRawData &&
                      s.virtualAddress + AlignUp(blob.size(), sectionAlignment) <= nextAddress;
    const bool isLast = nextAddress == std::numeric_limits<std::uint64_t>::max() &&
                        (s.sizeOfRawData == 0 || std::uint64_t{s.pointerToRawData} + s.sizeOfRawData == imageEnd);
    const std::uint64_t grownEnd = s.virtualAddress + AlignUp(blob.size(), sectionAlignment);
    if (fits) {
      std::fill(out.data() + s.pointerToRawData, out.data() + s.pointerToRawData + s.sizeOfRawData, 0);
      std::copy(blob.begin(), blob.end(), out.data() + s.pointerToRawData);
      Put32(out, s.headerOffset + 8, static_cast<std::uint32_t>(blob.size()));
      placement.kind = ResourcePlacement::Kind::kInPlace;
    } else if (isLast && grownEnd <= std::numeric_limits<std::uint32_t>::max()) {
      const std::uint64_t rawPointer = s.sizeOfRawData != 0 ? s.pointerToRawData : AlignUp(imageEnd, fileAlignment);
      const std::uint64_t rawSize = AlignUp(blob.size(), fileAlignment);
      out.resize(static_cast<std::size_t>(rawPointer), 0);
      out.insert(out.end(), blob.begin(), blob.end());
      out.resize(static_cast<std::size_t>(rawPointer + rawSize), 0);
      Put32(out, s.headerOffset + 8, static_cast<std::uint32_t>(blob.size()));
      Put32(out, s.headerOffset + 16, static_cast<std::uint32_t>(rawSize));
      Put32(out, s.headerOffset + 20, static_cast<std::uint32_t>(rawPointer));
      initializedDataChange = static_cast<std::int64_t>(rawSize) - s.sizeOfRawData;
      placement.kind = ResourcePlacement::Kind::kGrownLastSection;
    } else {
      index = -1;
    }
  }

  if (index < 0) {
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
    blob = table.Serialize(static_cast<std::uint32_t>(std::min<std::uint64_t>(virtualEnd, 0xFFFFFFFFu)));
    const std::uint64_t rawPointer = AlignUp(imageEnd, fileAlignment);
    const std::uint64_t rawSize = AlignUp(blob.size(), fileAlignment);
    if (virtualEnd + AlignUp(blob.size(), sectionAlignment) > std::numeric_limits<std::uint32_t>::max() ||
        rawPointer + rawSize > std::numeric_limits<std::uint32_t>::max()) {
      return Fail(error, KV_E_OUT_OF_RANGE, "the resources do not fit a 32-bit image");
    }
    if (oldAddress != 0) {
      const int old = image.SectionOfRva(oldAddress);
      if (old >= 0 && sections[static_cast<std::size_t>(old)].name == kResourceSectionName &&
          sections[static_cast<std::size_t>(old)].virtualAddress == oldAddress) {
        SetSectionName(out, sections[static_cast<std::size_t>(old)].headerOffset, kRetiredSectionName);
      }
    }
    SetSectionName(out, header, kResourceSectionName);
    Put32(out, header + 8, static_cast<std::uint32_t>(blob.size()));
    Put32(out, header + 12, static_cast<std::uint32_t>(virtualEnd));
    Put32(out, header + 16, static_cast<std::uint32_t>(rawSize));
    Put32(out, header + 20, static_cast<std::uint32_t>(rawPointer));
    Put32(out, header + 36, kSectionInitializedData | kSectionMemRead);
    Put16(out, image.FileHeaderOffset() + 2, static_cast<std::uint16_t>(count + 1));
    out.resize(static_cast<std::size_t>(rawPointer), 0);
    out.insert(out.end(), blob.begin(), blob.end());
    out.resize(static_cast<std::size_t>(rawPointer + rawSize), 0);
    initializedDataChange = static_cast<std::int64_t>(rawSize);
    placement.kind = ResourcePlacement::Kind::kNewSection;
    placement.rva = static_cast<std::uint32_t>(virtualEnd);
  } else {
    placement.rva = sections[static_cast<std::size_t>(index)].virtualAddress;
  }
  placement.size = static_cast<std::uint32_t>(blob.size());

  // Headers that follow from the new layout.
  Put32(out, directoryEntry, placement.rva);
  Put32(out, directoryEntry + 4, placement.size);
  const std::size_t opt = image.OptionalHeaderOffset();
  const std::int64_t initializedData =
      std::max<std::int64_t>(0, std::int64_t{Get32(out, opt + kOptSizeOfInitializedData)} + initializedDataChange);
  Put32(out, opt + kOptSizeOfInitializedData,
        static_cast<std::uint32_t>(std::min<std::int64_t>(initializedData, 0xFFFFFFFF)));
  std::uint64_t sizeOfImage = AlignUp(image.SizeOfHeaders(), sectionAlignment);
  for (std::size_t i = 0, n = Get16(out, image.FileHeaderOffset() + 2); i < n; ++i) {
    const std::size_t h = image.SectionTableOffset() + i * kSectionHeaderSize;
    const std::uint32_t mapped = Get32(out, h + 8) != 0 ? Get32(out, h + 8) : Get32(out, h + 16);
    sizeOfImage = std::max(sizeOfImage, Get32(out, h + 12) + AlignUp(mapped, sectionAlignment));
  }
  Put32(out, opt + kOptSizeOfImage, static_cast<std::uint32_t>(std::min<std::uint64_t>(sizeOfImage, 0xFFFFFFFFu)));
  Put32(out, image.CheckSumOffset(), 0);
  Put32(out, image.CheckSumOffset(), ComputePeChecksum(out, image.CheckSumOffset()));
  newImage = std::move(out);
  return KV_OK;
}

}  // namespace kestrova
