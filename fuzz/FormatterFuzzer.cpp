// Arbitrary bytes as a narrow format string and, pairwise, as a UTF-16 one, with a fixed set of arguments.
// The measuring pass, the writing pass and a pass into a short buffer must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/Formatter.h"

namespace {

// Large widths make long output; beyond this only the lengths are compared.
constexpr std::size_t kFullCheckLimit = 1 << 16;

template <class Ch>
void Check(const Ch* format) {
  const std::int32_t i32 = -7;
  const std::uint32_t u32 = 0xDEADBEEF;
  const std::int64_t i64 = INT64_MIN;
  const std::uint64_t u64 = UINT64_MAX;
  const double d = -1234.5678;
  const float f = 3.5f;
  const char* narrow = "n\xE9";
  const char* null = nullptr;
  const std::u16string wide = u"w\u20AC\xD800";
  const char16_t c = u'A';

  kestrova::KVFormatterT<Ch> formatter;
  const std::size_t length = formatter.Format(format, i32, u32, i64, u64, d, f, narrow, null, wide, c);
  formatter.SetDiagnostics(false);
  if (length > kFullCheckLimit) {
    Ch small[8];
    formatter.SetBuffer(small, 8);
    if (formatter.Format(format, i32, u32, i64, u64, d, f, narrow, null, wide, c) != length) std::abort();
    if (small[7] != 0) std::abort();
    return;
  }

  std::vector<Ch> full(length + 2, Ch('#'));
  formatter.SetBuffer(full.data(), length + 1);
  if (formatter.Format(format, i32, u32, i64, u64, d, f, narrow, null, wide, c) != length) std::abort();
  if (full[length] != 0 || full[length + 1] != Ch('#')) std::abort();

  // A short buffer holds a terminated prefix of the full output.
  const std::size_t capacity = length / 2 + 1;
  std::vector<Ch> part(capacity + 1, Ch('#'));
  formatter.SetBuffer(part.data(), capacity);
  if (formatter.Format(format, i32, u32, i64, u64, d, f, narrow, null, wide, c) != length) std::abort();
  if (part[capacity - 1] != 0 || part[capacity] != Ch('#')) std::abort();
  if (std::memcmp(part.data(), full.data(), (capacity - 1) * sizeof(Ch)) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string narrow(reinterpret_cast<const char*>(data), size);
  Check(narrow.c_str());

  std::u16string wide(size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  Check(wide.c_str());
  return 0;
}
