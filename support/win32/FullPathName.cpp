#include "support/win32/FullPathName.h"

#include <windows.h>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"

namespace kestrova {

KVResult KVWinGetFullPathName(const std::u16string& path, std::u16string& fullPath) {
  // One call for the usual path (extraction makes one per item), another for each longer size asked for.
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD written = ::GetFullPathNameW(AsWide(path), static_cast<DWORD>(buffer.size()), AsWide(buffer), nullptr);
    if (written == 0) return KVLastError();
    if (written < buffer.size()) {
      buffer.resize(written);
      fullPath = std::move(buffer);
      return KV_OK;
    }
    buffer.assign(written, u'\0');  // the size asked for, terminator included
  }
}

}  // namespace kestrova
