// Reading the headers of a PE image (PE32, or PE32+ for the x86-64 test stub) from bytes, with every read
// bounded; the PE checksum.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;
inline constexpr std::uint16_t kSubsystemWindowsGui = 2;
inline constexpr std::uint16_t kSubsystemWindowsConsole = 3;
inline constexpr std::uint16_t kFileExecutableImage = 0x0002;
inline constexpr std::uint16_t kFileDll = 0x2000;
inline constexpr std::uint32_t kSectionInitializedData = 0x00000040;
inline constexpr std::uint32_t kSectionMemRead = 0x40000000;
inline constexpr std::size_t kDirectoryResource = 2;
inline constexpr std::size_t kDirectorySecurity = 4;
inline constexpr std::size_t kDirectoryCount = 16;
inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kFileHeaderSize = 20;
inline constexpr std::size_t kMaxSections = 96;  // what the Windows loader accepts

// Offsets of the MS-DOS header's pointer to the PE signature, and inside the file header that follows it.
inline constexpr std::size_t kDosPeOffset = 0x3C;
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::size_t kFileMachine = 0;
inline constexpr std::size_t kFileNumberOfSections = 2;
inline constexpr std::size_t kFileSizeOfOptionalHeader = 16;
inline constexpr std::size_t kFileCharacteristics = 18;
// Offsets inside the optional header, the same in PE32 and PE32+ up to the subsystem.
inline constexpr std::size_t kOptMagic = 0;
inline constexpr std::size_t kOptSizeOfInitializedData = 8;
inline constexpr std::size_t kOptAddressOfEntryPoint = 16;
inline constexpr std::size_t kOptSectionAlignment = 32;
inline constexpr std::size_t kOptFileAlignment = 36;
inline constexpr std::size_t kOptSizeOfImage = 56;
inline constexpr std::size_t kOptSizeOfHeaders = 60;
inline constexpr std::size_t kOptCheckSum = 64;
inline constexpr std::size_t kOptSubsystem = 68;
// Offsets inside a section header.
inline constexpr std::size_t kSectionVirtualSize = 8;
inline constexpr std::size_t kSectionVirtualAddress = 12;
inline constexpr std::size_t kSectionSizeOfRawData = 16;
inline constexpr std::size_t kSectionPointerToRawData = 20;
inline constexpr std::size_t kSectionCharacteristics = 36;
// PE32+ widens the image base and the stack and heap sizes: what follows them moves by 16 bytes.
inline constexpr std::size_t kOptDataDirectories = 96;
inline constexpr std::size_t kOptDataDirectoriesPe32Plus = 112;

struct PeSection {
  std::string name;  // at most 8 characters
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t characteristics = 0;
  std::size_t headerOffset = 0;  // file offset of its section header

  // The size the loader maps: the virtual size, or the raw size when the virtual size is 0.
  std::uint32_t MappedSize() const { return virtualSize != 0 ? virtualSize : sizeOfRawData; }
  // The part of the mapping that comes from the file.
  std::uint32_t FileBackedSize() const { return sizeOfRawData < MappedSize() ? sizeOfRawData : MappedSize(); }
};

struct PeDataDirectory {
  std::uint32_t address = 0;  // an RVA, except for the certificate table (a file offset)
  std::uint32_t size = 0;
};

class PeImage {
 public:
  // Parses the headers of a PE32 or PE32+ image. `bytes` holds the file from offset 0 and must reach at least the
  // end of the section table; `fileSize` is the size of the whole file, which may go on behind `bytes`. Fails
  // with a sentence in `error` for anything that is not a well-formed image whose sections lie inside the file.
  static KVResult Parse(Bytes bytes, std::uint64_t fileSize, PeImage& image, std::string& error);

  const Bytes& Data() const { return bytes_; }
  Bytes& MutableData() { return bytes_; }
  std::uint64_t FileSize() const { return fileSize_; }

  std::uint16_t Machine() const { return machine_; }
  bool IsPe32Plus() const { return dataDirectoriesOffset_ == kOptDataDirectoriesPe32Plus; }
  std::uint16_t Characteristics() const { return characteristics_; }
  std::uint16_t Subsystem() const { return subsystem_; }
  std::uint32_t FileAlignment() const { return fileAlignment_; }
  std::uint32_t SectionAlignment() const { return sectionAlignment_; }
  std::uint32_t SizeOfHeaders() const { return sizeOfHeaders_; }
  std::uint32_t CheckSum() const { return Get32(bytes_, OptionalHeaderOffset() + kOptCheckSum); }

  std::size_t OptionalHeaderOffset() const { return optionalHeaderOffset_; }
  std::size_t FileHeaderOffset() const { return optionalHeaderOffset_ - kFileHeaderSize; }
  std::size_t SectionTableOffset() const { return sectionTableOffset_; }
  std::size_t CheckSumOffset() const { return optionalHeaderOffset_ + kOptCheckSum; }
  // File offset of a data directory entry, or 0 when the header has no such entry.
  std::size_t DirectoryOffset(std::size_t index) const;
  PeDataDirectory Directory(std::size_t index) const;

  const std::vector<PeSection>& Sections() const { return sections_; }
  // The end of the image in the file: the furthest end of the headers or of a section's raw data. What
  // follows it (a payload, a certificate table, debug symbols) is not part of the image.
  std::uint64_t ImageEnd() const { return imageEnd_; }

  // The file offset of [rva, rva + size) when it lies wholly in the file-backed part of one section and in the
  // bytes held; false otherwise. `available` receives the number of bytes from there to the end of that part.
  bool RvaToOffset(std::uint32_t rva, std::uint32_t size, std::size_t& offset,
                   std::uint64_t* available = nullptr) const;
  // The index of the section whose mapping holds `rva`, or -1.
  int SectionOfRva(std::uint32_t rva) const;

 private:
  // The steps of Parse: MS-DOS and file header, optional header (alignments, data directories), section table.
  KVResult ParseFileHeader(const Bytes& bytes, std::uint16_t& sectionCount, std::uint16_t& optionalSize,
                           std::string& error);
  KVResult ParseOptionalHeader(const Bytes& bytes, std::uint16_t optionalSize, std::string& error);
  KVResult ParseSectionTable(const Bytes& bytes, std::uint16_t sectionCount, std::string& error);

  Bytes bytes_;
  std::uint64_t fileSize_ = 0;
  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  std::uint16_t subsystem_ = 0;
  std::uint32_t fileAlignment_ = 0;
  std::uint32_t sectionAlignment_ = 0;
  std::uint32_t sizeOfHeaders_ = 0;
  std::uint32_t directoryCount_ = 0;
  std::size_t dataDirectoriesOffset_ = kOptDataDirectories;
  std::size_t optionalHeaderOffset_ = 0;
  std::size_t sectionTableOffset_ = 0;
  std::uint64_t imageEnd_ = 0;
  std::vector<PeSection> sections_;
};

// The PE checksum over a file fed in order, piece by piece: the 16-bit words summed with end-around carry,
// the checksum field itself counted as zero, plus the file length.
class PeChecksum {
 public:
  explicit PeChecksum(std::uint64_t checkSumOffset) : checkSumOffset_(checkSumOffset) {}
  void Update(const std::uint8_t* data, std::size_t size);
  // The checksum of the bytes seen so far, taken as the whole file.
  std::uint32_t Value() const;

 private:
  std::uint64_t checkSumOffset_;
  std::uint64_t position_ = 0;
  std::uint64_t sum_ = 0;
};

// The checksum of a whole file held in memory.
std::uint32_t ComputePeChecksum(const Bytes& file, std::uint64_t checkSumOffset);

}  // namespace kestrova
