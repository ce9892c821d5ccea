// Little-endian reading and writing on byte vectors.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/ErrorCodes.h"

namespace kestrova {

using Bytes = std::vector<std::uint8_t>;
using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_OUT_OF_RANGE;
using kestrova::KV_OK;
using kestrova::KVResult;

// Whether [offset, offset + size) lies inside [0, total); no overflow for any input.
constexpr bool InRange(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
  return offset <= total && size <= total - offset;
}

// Rounds up to a multiple of `alignment`, a power of two; 64-bit so that no 32-bit field can overflow it.
constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

constexpr bool IsPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Readers: the caller has checked the range.
inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}
inline std::uint16_t Get16(const Bytes& b, std::size_t offset) { return Get16(b.data() + offset); }
inline std::uint32_t Get32(const Bytes& b, std::size_t offset) { return Get32(b.data() + offset); }

// Writers over existing bytes (the caller has checked the range) and appenders.
inline void Put16(Bytes& b, std::size_t offset, std::uint16_t v) {
  b[offset] = static_cast<std::uint8_t>(v);
  b[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Append16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Append32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace kestrova
