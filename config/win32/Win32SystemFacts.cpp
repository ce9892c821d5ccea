#include "config/win32/Win32SystemFacts.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include "config/win32/NativeProcessorArch.h"
#include "config/win32/UserAdmin.h"
#include "config/win32/WindowsVersion.h"
#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"


using namespace kestrova;

KVResult Win32SystemFacts::GetWindowsVersion(WindowsVersion& version) { return ::GetWindowsVersion(version); }

ProcessorArch Win32SystemFacts::GetNativeProcessorArch() { return ::GetNativeProcessorArch(); }

KVResult Win32SystemFacts::IsUserAdmin(bool& isAdmin) { return ::IsUserAdmin(isAdmin); }

KVResult Win32SystemFacts::GetExecutablePath(std::u16string& path) {
  path.clear();
  KVWinModuleFileName module;
  if (const KVResult r = module.Init(); r != KV_OK) return r;
  path = std::move(module.fullPath);
  return KV_OK;
}

KVResult Win32SystemFacts::GetCurrentDirectoryFullPath(std::u16string& path) {
  path.assign(MAX_PATH, u'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(L".", static_cast<DWORD>(path.size()), AsWide(path), nullptr);
    if (length == 0) {
      path.clear();
      const KVResult error = KVLastError();
      return error == ERROR_INVALID_FUNCTION ? KV_E_TARGET_TOO_LONG : error;
    }
    if (length < path.size()) {
      path.resize(length);
      return KV_OK;
    }
    path.assign(length, u'\0');  // the needed size, terminator included; the folder may change meanwhile
  }
}

KVResult Win32SystemFacts::GetTempFolder(std::u16string& path) {
  path.clear();
  wchar_t buffer[261] = {};
  const DWORD length = ::GetTempPathW(261, buffer);
  if (length == 0) return KVLastError();
  if (length >= 261) return KV_E_FAIL;
  path.assign(FromWide(buffer, length));
  return KV_OK;
}

KVResult Win32SystemFacts::GetWindowsFolder(std::u16string& path) {
  path.clear();
  KVUniqueCoTaskMemString folder;
  const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Windows, 0, nullptr, folder.put());
  if (FAILED(hr)) return static_cast<KVResult>(hr);
  path.assign(FromWide(folder.get()));
  return KV_OK;
}

KVResult Win32SystemFacts::NewGuidText(std::u16string& text) {
  text.clear();
  GUID guid = {};
  const HRESULT hr = ::CoCreateGuid(&guid);
  if (FAILED(hr)) return static_cast<KVResult>(hr);
  wchar_t buffer[40] = {};
  const int length = ::StringFromGUID2(guid, buffer, 40);
  if (length <= 1) return KV_E_FAIL;
  text.assign(FromWide(buffer, static_cast<std::size_t>(length - 1)));
  return KV_OK;
}
