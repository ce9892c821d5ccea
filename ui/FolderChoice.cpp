#include "ui/FolderChoice.h"

#include "commands/ResolvePath.h"
#include "support/Formatter.h"

namespace {

bool IsDriveRoot(const std::u16string& path) {
  return path.size() == 3 && path[1] == u':' && path[2] == u'\\';
}

}  // namespace

std::u16string NormalizeFolderText(const std::u16string& text, VariableFacts& facts) {
  if (text.empty()) return {};
  std::u16string folder;
  if (ExpandToAbsolutePath(folder, text, facts) != kestrova::KV_OK) return {};
  while (!folder.empty() && folder.back() == u'\\' && !IsDriveRoot(folder)) folder.pop_back();
  return folder;
}

std::size_t FolderLengthAtOk(const std::u16string& folder, std::uint32_t longPathResult, std::uint32_t bufferUnits) {
  if (longPathResult == 0) return folder.size();
  return longPathResult > bufferUnits ? longPathResult - 1 : longPathResult;
}

bool FolderLengthAccepted(std::size_t length) { return length <= kMaxTargetPathLength; }

std::u16string FolderTooLongMessage() {
  return kestrova::KVFormat(u"The path exceeds the maximum supported length of {} characters. Please choose another path.",
                            kMaxTargetPathLength);
}
