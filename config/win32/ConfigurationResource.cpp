#include "config/win32/ConfigurationResource.h"

#include "support/StubContract.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

KVResult ReadConfigurationResource(HMODULE module, std::string& text) {
  text.clear();
  const HRSRC resource = ::FindResourceExW(module, MAKEINTRESOURCEW(kConfigResourceType),
                                           MAKEINTRESOURCEW(kConfigResourceId), kConfigResourceLanguage);
  if (resource == nullptr) {
    // No configuration at all is no failure: the caller falls back to the default extractor.
    if (::GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND) return KV_E_NO_CONFIGURATION;
    const KVResult error = KVLastError();
    return KV_FAIL(error, "finding the configuration resource {} (language {})", kConfigResourceId,
                   kConfigResourceLanguage);
  }
  // Loaded resources belong to the module; there is nothing to free.
  const HGLOBAL loaded = ::LoadResource(module, resource);
  KV_RETURN_LAST_ERROR_IF(loaded == nullptr, "loading the configuration resource {}", kConfigResourceId);
  ::SetLastError(ERROR_SUCCESS);
  const DWORD size = ::SizeofResource(module, resource);
  if (size == 0) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SUCCESS) return KV_E_NO_CONFIGURATION;  // empty: as if there were none
    return KV_FAIL(error, "sizing the configuration resource {}", kConfigResourceId);
  }
  const void* bytes = ::LockResource(loaded);
  KV_RETURN_LAST_ERROR_IF(bytes == nullptr, "locking the configuration resource {}", kConfigResourceId);
  text.assign(static_cast<const char*>(bytes), size);
  return KV_OK;
}
