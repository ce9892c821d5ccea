// The signature header at the start of a 7z archive: how an installer finds its payload.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrova {

inline constexpr std::size_t kSevenZipHeaderSize = 32;

// CRC-32 (IEEE 802.3, as 7z uses it), continued from `crc`.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

struct SevenZipStartHeader {
  std::uint8_t majorVersion = 0;
  std::uint8_t minorVersion = 0;
  std::uint64_t nextHeaderOffset = 0;  // from the end of the 32-byte header
  std::uint64_t nextHeaderSize = 0;
  std::uint32_t nextHeaderCrc = 0;

  // The archive's length from its signature to the end of its last header; false when it overflows.
  bool ArchiveSize(std::uint64_t& size) const;
};

// Whether the `size` bytes at `data` begin with the six bytes of the 7z signature.
bool HasSevenZipSignature(const std::uint8_t* data, std::size_t size);

// Whether the `size` bytes at `data` begin with the 7z signature and a start header whose CRC matches.
bool ReadSevenZipStartHeader(const std::uint8_t* data, std::size_t size, SevenZipStartHeader& header);

// The first offset in the bytes where a valid signature header starts, or `size` when there is none.
std::size_t FindSevenZipStartHeader(const std::uint8_t* data, std::size_t size);

}  // namespace kestrova
