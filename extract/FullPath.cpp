#include "extract/FullPath.h"

namespace {

constexpr std::u16string_view kExtendedPrefix = u"\\\\?\\";
constexpr std::u16string_view kExtendedUncPrefix = u"\\\\?\\UNC\\";
constexpr std::u16string_view kDevicePrefix = u"\\\\.\\";
constexpr std::u16string_view kUncPrefix = u"\\\\";

bool StartsWith(std::u16string_view text, std::u16string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool StartsWithDrive(std::u16string_view path) { return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':'; }

}  // namespace

std::u16string ToExtendedLengthPath(std::u16string_view fullPath) {
  if (StartsWith(fullPath, kExtendedPrefix) || StartsWith(fullPath, kDevicePrefix)) return std::u16string(fullPath);
  if (StartsWith(fullPath, kUncPrefix)) return std::u16string(kExtendedUncPrefix) + std::u16string(fullPath.substr(2));
  if (StartsWithDrive(fullPath) && fullPath.size() >= 3 && fullPath[2] == u'\\') {
    return std::u16string(kExtendedPrefix) + std::u16string(fullPath);
  }
  return std::u16string(fullPath);
}

std::u16string_view WithoutTrailingSeparators(std::u16string_view fullPath) {
  while (fullPath.size() > 1 && fullPath.back() == u'\\') {
    const std::u16string_view shorter = fullPath.substr(0, fullPath.size() - 1);
    if (shorter.back() == u':') break;  // the separator of a drive root
    fullPath = shorter;
  }
  return fullPath;
}

bool IsRootFolder(std::u16string_view fullPath) {
  std::u16string_view path = WithoutTrailingSeparators(fullPath);
  if (StartsWith(path, kExtendedUncPrefix)) {
    path = path.substr(kExtendedUncPrefix.size());
  } else if (StartsWith(path, kExtendedPrefix)) {
    path = path.substr(kExtendedPrefix.size());
  } else if (StartsWith(path, kUncPrefix)) {
    path = path.substr(kUncPrefix.size());
  } else {
    return path.empty() || (StartsWithDrive(path) && path.size() <= 3);
  }
  if (StartsWithDrive(path)) return path.size() <= 3;
  // server\share: at most one separator between two names
  const std::size_t separator = path.find(u'\\');
  return separator == std::u16string_view::npos || path.find(u'\\', separator + 1) == std::u16string_view::npos;
}
