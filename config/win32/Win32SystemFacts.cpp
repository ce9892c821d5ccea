#include "config/win32/Win32SystemFacts.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include "config/win32/NativeProcessorArch.h"
#include "config/win32/UserAdmin.h"
#include "config/win32/WindowsVersion.h"
#include "support/Text.h"
#include "support/win32/FullPathName.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

KVResult Win32SystemFacts::GetWindowsVersion(WindowsVersion& version) { return ::GetWindowsVersion(version); }

ProcessorArch Win32SystemFacts::GetNativeProcessorArch() { return ::GetNativeProcessorArch(); }

KVResult Win32SystemFacts::IsUserAdmin(bool& isAdmin) { return ::IsUserAdmin(isAdmin); }

KVResult Win32SystemFacts::GetExecutablePath(std::u16string& path) {
  KV_RETURN_IF_FAILED(KVWinGetModulePathAndFileName(path), "finding the installer's own path");
  return KV_OK;
}

KVResult Win32SystemFacts::GetCurrentDirectoryFullPath(std::u16string& path) {
  const KVResult result = KVWinGetFullPathName(u".", path);
  if (result == KV_OK) return KV_OK;
  path.clear();
  return KV_FAIL(result == ERROR_INVALID_FUNCTION ? KV_E_TARGET_TOO_LONG : result,
                 "making the current folder absolute (0x{:08X})", result);
}

KVResult Win32SystemFacts::GetTempFolder(std::u16string& path) {
  path.clear();
  wchar_t buffer[261] = {};
  const DWORD length = ::GetTempPathW(261, buffer);
  KV_RETURN_LAST_ERROR_IF(length == 0, "reading the temporary folder");
  if (length >= 261) return KV_FAIL(KV_E_FAIL, "reading the temporary folder: {} characters, too long", length);
  path.assign(FromWide(buffer, length));
  return KV_OK;
}

KVResult Win32SystemFacts::GetWindowsFolder(std::u16string& path) {
  path.clear();
  KVUniqueCoTaskMemString folder;
  KV_RETURN_IF_HR_FAILED(::SHGetKnownFolderPath(FOLDERID_Windows, 0, nullptr, folder.put()),
                         "finding the Windows folder");
  path.assign(FromWide(folder.get()));
  return KV_OK;
}

KVResult Win32SystemFacts::NewGuidText(std::u16string& text) {
  text.clear();
  GUID guid = {};
  KV_RETURN_IF_HR_FAILED(::CoCreateGuid(&guid), "creating a GUID for the target folder");
  wchar_t buffer[40] = {};
  const int length = ::StringFromGUID2(guid, buffer, 40);
  if (length <= 1) return KV_FAIL(KV_E_FAIL, "writing a GUID as text");
  text.assign(FromWide(buffer, static_cast<std::size_t>(length - 1)));
  return KV_OK;
}
