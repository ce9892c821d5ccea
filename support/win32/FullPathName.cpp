#include "support/win32/FullPathName.h"

#include <windows.h>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"

namespace kestrova {

KVResult KVWinGetFullPathName(const std::u16string& path, std::u16string& fullPath) {
  DWORD needed = ::GetFullPathNameW(AsWide(path), 0, nullptr, nullptr);
  for (;;) {
    if (needed == 0) return KVLastError();
    std::u16string buffer(needed, u'\0');
    const DWORD written = ::GetFullPathNameW(AsWide(path), needed, AsWide(buffer), nullptr);
    if (written == 0) return KVLastError();
    if (written < needed) {
      buffer.resize(written);
      fullPath = std::move(buffer);
      return KV_OK;
    }
    needed = written;
  }
}

}  // namespace kestrova
