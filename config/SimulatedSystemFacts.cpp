#include "config/SimulatedSystemFacts.h"

using kestrova::KV_OK;
using kestrova::KVResult;

namespace {

// `value` if the operation is not set to fail; the operation's code otherwise.
KVResult Give(KVResult failure, const std::u16string& value, std::u16string& out) {
  if (failure != KV_OK) return failure;
  out = value;
  return KV_OK;
}

}  // namespace

KVResult SimulatedSystemFacts::GetWindowsVersion(WindowsVersion& version) {
  ++windowsVersionQueries;
  version = WindowsVersion::OtherWindows;
  if (failures.windowsVersion != KV_OK) return failures.windowsVersion;
  version = windowsVersion;
  return KV_OK;
}

KVResult SimulatedSystemFacts::IsUserAdmin(bool& admin) {
  admin = false;
  if (failures.isUserAdmin != KV_OK) return failures.isUserAdmin;
  admin = isAdmin;
  return KV_OK;
}

KVResult SimulatedSystemFacts::GetExecutablePath(std::u16string& path) {
  return Give(failures.moduleFileName, modulePath, path);
}

KVResult SimulatedSystemFacts::GetCurrentDirectoryFullPath(std::u16string& path) {
  return Give(failures.currentDirectory, currentDirectory, path);
}

KVResult SimulatedSystemFacts::GetTempFolder(std::u16string& path) { return Give(failures.tempFolder, tempFolder, path); }

KVResult SimulatedSystemFacts::GetWindowsFolder(std::u16string& path) {
  return Give(failures.windowsFolder, windowsFolder, path);
}

KVResult SimulatedSystemFacts::NewGuidText(std::u16string& text) {
  if (failures.guid != KV_OK) return failures.guid;
  const std::size_t index = guidsHandedOut_++;
  if (index < guids.size()) {
    text = guids[index];
    return KV_OK;
  }
  // Numbered from 1 after the given ones: the last 12 hexadecimal digits count.
  std::u16string number;
  for (std::uint64_t n = index - guids.size() + 1; number.size() < 12; n >>= 4) {
    number.insert(number.begin(), u"0123456789ABCDEF"[n & 0xF]);
  }
  text = u"{00000000-0000-0000-0000-" + number + u"}";
  return KV_OK;
}
