#include "extract/SiblingArchive.h"

#include "support/Text.h"

std::vector<std::u16string> SiblingArchivePaths(std::u16string_view executablePath) {
  constexpr std::u16string_view kExe = u".exe";
  if (executablePath.size() <= kExe.size() ||
      !kestrova::EqualsAsciiNoCase(executablePath.substr(executablePath.size() - kExe.size()), kExe)) {
    return {};
  }
  const std::u16string base(executablePath.substr(0, executablePath.size() - kExe.size()));
  return {base + u".7z.001", base + u".7z"};
}
