#include "extract/win32/TargetFolder.h"

#include <windows.h>

#include "support/Text.h"
#include "support/win32/UniqueResource.h"

kestrova::KVResult ResolveTargetFolder(std::u16string& folder, const std::u16string& configured) {
  folder.clear();
  const DWORD size = ::GetFullPathNameW(kestrova::AsWide(configured), 0, nullptr, nullptr);
  if (size == 0) return kestrova::KVLastError();
  std::u16string full(size, u'\0');
  const DWORD length = ::GetFullPathNameW(kestrova::AsWide(configured), size, kestrova::AsWide(full), nullptr);
  if (length == 0 || length >= size) return kestrova::KVLastError();
  full.resize(length);
  folder = std::move(full);
  return kestrova::KV_OK;
}
