#include "config/win32/ConfigurationResource.h"

#include "support/StubContract.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

KVResult ReadConfigurationResource(HMODULE module, std::string& text) {
  text.clear();
  const HRSRC resource = ::FindResourceExW(module, MAKEINTRESOURCEW(kConfigResourceType),
                                           MAKEINTRESOURCEW(kConfigResourceId), kConfigResourceLanguage);
  if (resource == nullptr) {
    return ::GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND ? KV_E_NO_CONFIGURATION : KVLastError();
  }
  // Loaded resources belong to the module; there is nothing to free.
  const HGLOBAL loaded = ::LoadResource(module, resource);
  if (loaded == nullptr) return KVLastError();
  ::SetLastError(ERROR_SUCCESS);
  const DWORD size = ::SizeofResource(module, resource);
  if (size == 0) {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : KV_E_NO_CONFIGURATION;
  }
  const void* bytes = ::LockResource(loaded);
  if (bytes == nullptr) return KVLastError();
  text.assign(static_cast<const char*>(bytes), size);
  return KV_OK;
}
