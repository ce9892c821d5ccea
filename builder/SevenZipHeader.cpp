#include "builder/SevenZipHeader.h"

#include <algorithm>
#include <array>

#include "builder/Bytes.h"

namespace kestrova {

namespace {

constexpr std::uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool SevenZipStartHeader::ArchiveSize(std::uint64_t& size) const {
  const std::uint64_t max = ~std::uint64_t{0};
  if (nextHeaderOffset > max - kSevenZipHeaderSize) return false;
  if (nextHeaderSize > max - kSevenZipHeaderSize - nextHeaderOffset) return false;
  size = kSevenZipHeaderSize + nextHeaderOffset + nextHeaderSize;
  return true;
}

bool HasSevenZipSignature(const std::uint8_t* data, std::size_t size) {
  return size >= sizeof kSignature && std::equal(std::begin(kSignature), std::end(kSignature), data);
}

bool ReadSevenZipStartHeader(const std::uint8_t* data, std::size_t size, SevenZipStartHeader& header) {
  if (size < kSevenZipHeaderSize || !HasSevenZipSignature(data, size)) return false;
  if (Crc32(data + 12, 20) != Get32(data + 8)) return false;
  header.majorVersion = data[6];
  header.minorVersion = data[7];
  header.nextHeaderOffset = Get64(data + 12);
  header.nextHeaderSize = Get64(data + 20);
  header.nextHeaderCrc = Get32(data + 28);
  return true;
}

std::size_t FindSevenZipStartHeader(const std::uint8_t* data, std::size_t size) {
  SevenZipStartHeader header;
  for (const std::uint8_t* p = data; size - static_cast<std::size_t>(p - data) >= kSevenZipHeaderSize;) {
    p = std::search(p, data + size - kSevenZipHeaderSize + 6, std::begin(kSignature), std::end(kSignature));
    if (p == data + size - kSevenZipHeaderSize + 6) break;
    if (ReadSevenZipStartHeader(p, size - static_cast<std::size_t>(p - data), header)) {
      return static_cast<std::size_t>(p - data);
    }
    ++p;
  }
  return size;
}

}  // namespace kestrova
