// Arbitrary UTF-16 command lines through the passthrough split, the tail and the parse.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CmdLine.h"
#include "support/Text.h"

namespace {

// Blank- and tab-separated elements; double quotes group and are dropped.
kestrova::KVResult SplitSimply(std::u16string_view text, std::vector<std::u16string>& arguments) {
  std::u16string current;
  bool inQuotes = false;
  bool pending = false;
  for (char16_t c : text) {
    if (c == u'"') {
      inQuotes = !inQuotes;
      pending = true;
    } else if (!inQuotes && (c == u' ' || c == u'\t')) {
      if (pending) arguments.push_back(current);
      current.clear();
      pending = false;
    } else {
      current.push_back(c);
      pending = true;
    }
  }
  if (pending) arguments.push_back(current);
  return kestrova::KV_OK;
}

bool IsTrimmed(const std::u16string& text) { return kestrova::TrimBlanks(text).size() == text.size(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string raw(size / 2, u'\0');
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * 2);

  CmdLineData values;
  std::size_t reports = 0;
  const kestrova::KVResult result =
      ParseRawCommandLine(raw, SplitSimply, values, [&reports](const std::string&) { ++reports; });

  // Every failure of the parse is reported exactly once; success and an empty line report nothing.
  const bool reported = result != kestrova::KV_OK && result != kestrova::KV_E_FAIL;
  if (reports != (reported ? 1u : 0u)) std::abort();
  if (!IsTrimmed(values.passthrough) || !IsTrimmed(values.tail)) std::abort();
  if (values.tail.size() > raw.size() || values.passthrough.size() > raw.size()) std::abort();
  return 0;
}
