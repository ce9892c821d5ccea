#include "commands/SearchPath.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAbsoluteFolder(std::u16string_view entry) {
  const bool drive = entry.size() >= 3 && entry[1] == u':' && IsSeparator(entry[2]);
  const bool share = entry.size() >= 3 && IsSeparator(entry[0]) && IsSeparator(entry[1]);
  return drive || share;
}

}  // namespace

std::vector<std::u16string> SearchPathFolders(std::u16string_view path) {
  std::vector<std::u16string> folders;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find(u';', at), path.size());
    std::u16string_view entry = path.substr(at, end - at);
    if (entry.size() >= 2 && entry.front() == u'"' && entry.back() == u'"') entry = entry.substr(1, entry.size() - 2);
    if (IsAbsoluteFolder(entry)) folders.emplace_back(entry);
    at = end + 1;
  }
  return folders;
}
