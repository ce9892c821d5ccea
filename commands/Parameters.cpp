#include "commands/Parameters.h"

#include <limits>

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_OUT_OF_RANGE;
using kestrova::KV_OK;
using kestrova::KVResult;

const std::u16string* ParameterStore::Find(const std::u16string& name) const {
  const auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}

bool ParameterStore::Insert(const std::u16string& name, std::u16string value) {
  return entries_.emplace(name, std::move(value)).second;
}

bool ParameterStore::Assign(const std::u16string& name, std::u16string value) {
  const auto it = entries_.find(name);
  if (it == entries_.end()) return false;
  it->second = std::move(value);
  return true;
}

bool ParameterStore::Remove(const std::u16string& name) { return entries_.erase(name) != 0; }

void ParameterStore::Set(const std::u16string& name, std::u16string value) {
  entries_.insert_or_assign(name, std::move(value));
}

namespace {

bool IsNumberSpace(char16_t c) { return c == u' ' || (c >= 9 && c <= 13); }

int DigitValue(char16_t c, unsigned base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c - u'0';
  else if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
  return (v >= 0 && static_cast<unsigned>(v) < base) ? v : -1;
}

struct ScannedNumber {
  bool negative = false;
  bool overflow = false;
  std::uint64_t magnitude = 0;
};

// Scans sign, base prefix and digits; `limit` is the largest magnitude accepted. Fails when nothing readable
// is found or anything but white space follows.
KVResult Scan(std::u16string_view text, std::uint64_t limit, ScannedNumber& out) {
  std::size_t pos = 0;
  while (pos < text.size() && IsNumberSpace(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    out.negative = text[pos] == u'-';
    ++pos;
  }
  unsigned base = 10;
  // "0x" counts as a prefix only before a hexadecimal digit; otherwise the "0" is read and "x" trails.
  if (pos + 2 < text.size() && text[pos] == u'0' && (text[pos + 1] == u'x' || text[pos + 1] == u'X') &&
      DigitValue(text[pos + 2], 16) >= 0) {
    base = 16;
    pos += 2;
  }
  const std::size_t digitsStart = pos;
  for (; pos < text.size(); ++pos) {
    const int d = DigitValue(text[pos], base);
    if (d < 0) break;
    const auto digit = static_cast<std::uint64_t>(d);
    if (out.magnitude > (limit - digit) / base) out.overflow = true;
    else out.magnitude = out.magnitude * base + digit;
  }
  if (pos == digitsStart) return KV_E_INVALID_DATA;
  while (pos < text.size() && IsNumberSpace(text[pos])) ++pos;
  if (pos != text.size()) return KV_E_INVALID_DATA;
  return out.overflow ? KV_E_OUT_OF_RANGE : KV_OK;
}

}  // namespace

KVResult ParseNumber(std::u16string_view text, std::uint32_t& value) {
  ScannedNumber n;
  const KVResult r = Scan(text, std::numeric_limits<std::uint32_t>::max(), n);
  if (r != KV_OK) return r;
  const auto magnitude = static_cast<std::uint32_t>(n.magnitude);
  value = n.negative ? static_cast<std::uint32_t>(0u - magnitude) : magnitude;
  return KV_OK;
}

KVResult ParseNumber64(std::u16string_view text, std::int64_t& value) {
  ScannedNumber n;
  // Scan up to 2^63 so that the most negative value is readable; a positive 2^63 is out of range.
  const std::uint64_t limit = std::uint64_t{1} << 63;
  const KVResult r = Scan(text, limit, n);
  if (r != KV_OK) return r;
  if (!n.negative && n.magnitude == limit) return KV_E_OUT_OF_RANGE;
  value = n.negative ? static_cast<std::int64_t>(0 - n.magnitude) : static_cast<std::int64_t>(n.magnitude);
  return KV_OK;
}
