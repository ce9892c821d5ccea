// Arbitrary UTF-16 command lines through the passthrough split, the tail and the parse, split as Windows does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CmdLine.h"
#include "builder/WindowsCommandLine.h"
#include "support/Text.h"

namespace {

bool IsTrimmed(const std::u16string& text) { return kestrova::TrimBlanks(text).size() == text.size(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string raw(size / 2, u'\0');
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * 2);

  CmdLineData values;
  std::size_t reports = 0;
  const kestrova::KVResult result =
      ParseRawCommandLine(raw, kestrova::SplitCommandLine, values, [&reports](const std::string&) { ++reports; });

  // Every failure of the parse is reported exactly once; success and an empty line report nothing.
  const bool reported = result != kestrova::KV_OK && result != kestrova::KV_E_FAIL;
  if (reports != (reported ? 1u : 0u)) std::abort();
  if (!IsTrimmed(values.passthrough) || !IsTrimmed(values.tail)) std::abort();
  if (values.tail.size() > raw.size() || values.passthrough.size() > raw.size()) std::abort();
  return 0;
}
