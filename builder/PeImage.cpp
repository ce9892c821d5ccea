#include "builder/PeImage.h"

#include <algorithm>
#include <utility>

#include "builder/FailureMessage.h"
#include "support/Formatter.h"

using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::size_t kDosHeaderSize = 0x40;

// "truncated" when the range also lies beyond the file, else "beyond the bytes read".
KVResult OutOfData(std::string& error, const char* what, std::uint64_t offset, std::uint64_t size,
                   std::uint64_t held, std::uint64_t fileSize) {
  if (!InRange(offset, size, fileSize)) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the file is truncated: its {} ({} bytes at offset 0x{:x}) lies beyond its end ({} bytes)",
                         what, size, offset, fileSize));
  }
  return Fail(error, KV_E_OUT_OF_RANGE,
              KVFormat("the {} ({} bytes at offset 0x{:x}) lies beyond the first {} bytes read", what, size, offset,
                       held));
}

}  // namespace

KVResult PeImage::Parse(Bytes bytes, std::uint64_t fileSize, PeImage& image, std::string& error) {
  PeImage result;
  result.fileSize_ = std::max<std::uint64_t>(fileSize, bytes.size());
  std::uint16_t sectionCount = 0;
  std::uint16_t optionalSize = 0;
  if (const KVResult r = result.ParseFileHeader(bytes, sectionCount, optionalSize, error); r != KV_OK) return r;
  if (const KVResult r = result.ParseOptionalHeader(bytes, optionalSize, error); r != KV_OK) return r;
  if (const KVResult r = result.ParseSectionTable(bytes, sectionCount, error); r != KV_OK) return r;
  result.bytes_ = std::move(bytes);
  image = std::move(result);
  return KV_OK;
}

KVResult PeImage::ParseFileHeader(const Bytes& bytes, std::uint16_t& sectionCount, std::uint16_t& optionalSize,
                                  std::string& error) {
  const std::uint64_t held = bytes.size();
  if (held < kDosHeaderSize || bytes[0] != 'M' || bytes[1] != 'Z') {
    return Fail(error, KV_E_INVALID_DATA, "not a Windows executable (no MZ header)");
  }
  const std::uint32_t peOffset = Get32(bytes, kDosPeOffset);
  if (!InRange(peOffset, 4 + kFileHeaderSize, held)) {
    return OutOfData(error, "PE header", peOffset, 4 + kFileHeaderSize, held, fileSize_);
  }
  if (Get32(bytes, peOffset) != kPeSignature) {
    return Fail(error, KV_E_INVALID_DATA, "not a PE image (no PE signature; an MS-DOS program?)");
  }
  const std::size_t fileHeader = peOffset + 4u;
  machine_ = Get16(bytes, fileHeader + kFileMachine);
  sectionCount = Get16(bytes, fileHeader + kFileNumberOfSections);
  optionalSize = Get16(bytes, fileHeader + kFileSizeOfOptionalHeader);
  characteristics_ = Get16(bytes, fileHeader + kFileCharacteristics);
  optionalHeaderOffset_ = fileHeader + kFileHeaderSize;
  return KV_OK;
}

KVResult PeImage::ParseOptionalHeader(const Bytes& bytes, std::uint16_t optionalSize, std::string& error) {
  const std::uint64_t held = bytes.size();
  const std::size_t opt = optionalHeaderOffset_;
  if (!InRange(opt, optionalSize, held) || optionalSize < 2) {
    return OutOfData(error, "optional header", opt, std::max<std::uint16_t>(optionalSize, 2), held, fileSize_);
  }
  const std::uint16_t magic = Get16(bytes, opt + kOptMagic);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
    return Fail(error, KV_E_INVALID_DATA, KVFormat("unknown optional header magic 0x{:04x}", magic));
  }
  const std::size_t fixedSize = magic == kMagicPe32Plus ? kOptDataDirectoriesPe32Plus : kOptDataDirectories;
  if (optionalSize < fixedSize) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("the optional header is too short ({} bytes, a {} one has at least {})", optionalSize,
                         magic == kMagicPe32Plus ? "PE32+" : "PE32", fixedSize));
  }
  dataDirectoriesOffset_ = fixedSize;
  sectionAlignment_ = Get32(bytes, opt + kOptSectionAlignment);
  fileAlignment_ = Get32(bytes, opt + kOptFileAlignment);
  sizeOfHeaders_ = Get32(bytes, opt + kOptSizeOfHeaders);
  subsystem_ = Get16(bytes, opt + kOptSubsystem);
  // NumberOfRvaAndSizes is the field right before the data directories.
  const std::uint32_t declaredDirectories = Get32(bytes, opt + fixedSize - 4);
  directoryCount_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>({declaredDirectories, kDirectoryCount, (optionalSize - fixedSize) / 8u}));
  if (!IsPowerOfTwo(fileAlignment_) || fileAlignment_ > 0x10000 || !IsPowerOfTwo(sectionAlignment_) ||
      sectionAlignment_ < fileAlignment_) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("invalid alignment: file alignment 0x{:x}, section alignment 0x{:x}", fileAlignment_,
                         sectionAlignment_));
  }
  sectionTableOffset_ = opt + optionalSize;
  return KV_OK;
}

KVResult PeImage::ParseSectionTable(const Bytes& bytes, std::uint16_t sectionCount, std::string& error) {
  const std::uint64_t held = bytes.size();
  if (sectionCount > kMaxSections) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("{} sections; the Windows loader accepts at most {}", sectionCount, kMaxSections));
  }
  const std::size_t tableSize = sectionCount * kSectionHeaderSize;
  if (!InRange(sectionTableOffset_, tableSize, held)) {
    return OutOfData(error, "section table", sectionTableOffset_, tableSize, held, fileSize_);
  }
  if (sizeOfHeaders_ > fileSize_) return OutOfData(error, "headers", 0, sizeOfHeaders_, held, fileSize_);
  imageEnd_ = std::max<std::uint64_t>(sizeOfHeaders_, sectionTableOffset_ + tableSize);
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t h = sectionTableOffset_ + i * kSectionHeaderSize;
    PeSection section;
    const auto* name = reinterpret_cast<const char*>(bytes.data() + h);
    section.name.assign(name, static_cast<std::size_t>(std::find(name, name + 8, '\0') - name));
    section.virtualSize = Get32(bytes, h + kSectionVirtualSize);
    section.virtualAddress = Get32(bytes, h + kSectionVirtualAddress);
    section.sizeOfRawData = Get32(bytes, h + kSectionSizeOfRawData);
    section.pointerToRawData = Get32(bytes, h + kSectionPointerToRawData);
    section.characteristics = Get32(bytes, h + kSectionCharacteristics);
    section.headerOffset = h;
    if (section.sizeOfRawData != 0) {
      if (!InRange(section.pointerToRawData, section.sizeOfRawData, fileSize_)) {
        return Fail(error, KV_E_INVALID_DATA,
                    KVFormat("the file is truncated: section {} ({} bytes at offset 0x{:x}) goes beyond its end "
                             "({} bytes)",
                             section.name, section.sizeOfRawData, section.pointerToRawData, fileSize_));
      }
      imageEnd_ = std::max<std::uint64_t>(imageEnd_, std::uint64_t{section.pointerToRawData} + section.sizeOfRawData);
    }
    sections_.push_back(std::move(section));
  }
  return KV_OK;
}

std::size_t PeImage::DirectoryOffset(std::size_t index) const {
  return index < directoryCount_ ? optionalHeaderOffset_ + dataDirectoriesOffset_ + 8 * index : 0;
}

PeDataDirectory PeImage::Directory(std::size_t index) const {
  const std::size_t offset = DirectoryOffset(index);
  if (offset == 0) return {};
  return {Get32(bytes_, offset), Get32(bytes_, offset + 4)};
}

bool PeImage::RvaToOffset(std::uint32_t rva, std::uint32_t size, std::size_t& offset,
                          std::uint64_t* available) const {
  for (const PeSection& s : sections_) {
    if (rva < s.virtualAddress) continue;
    const std::uint64_t within = rva - s.virtualAddress;
    if (!InRange(within, size, s.FileBackedSize())) continue;
    const std::uint64_t fileOffset = std::uint64_t{s.pointerToRawData} + within;
    const std::uint64_t sectionEnd = std::min<std::uint64_t>(
        std::uint64_t{s.pointerToRawData} + s.FileBackedSize(), bytes_.size());
    if (fileOffset > sectionEnd || size > sectionEnd - fileOffset) return false;
    offset = static_cast<std::size_t>(fileOffset);
    if (available != nullptr) *available = sectionEnd - fileOffset;
    return true;
  }
  return false;
}

int PeImage::SectionOfRva(std::uint32_t rva) const {
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    if (rva >= s.virtualAddress && rva - s.virtualAddress < AlignUp(s.MappedSize(), sectionAlignment_)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void PeChecksum::Update(const std::uint8_t* data, std::size_t size) {
  const std::uint64_t fieldEnd = checkSumOffset_ + 4;
  for (std::size_t i = 0; i < size; ++i, ++position_) {
    const bool inField = position_ >= checkSumOffset_ && position_ < fieldEnd;
    const std::uint64_t value = inField ? 0 : data[i];
    sum_ += (position_ & 1) != 0 ? value << 8 : value;  // folded at the end: no file can overflow 64 bits
  }
}

std::uint32_t PeChecksum::Value() const {
  std::uint64_t sum = sum_;
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + position_);
}

std::uint32_t ComputePeChecksum(const Bytes& file, std::uint64_t checkSumOffset) {
  PeChecksum checksum(checkSumOffset);
  checksum.Update(file.data(), file.size());
  return checksum.Value();
}

}  // namespace kestrova
