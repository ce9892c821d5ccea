#include "support/win32/SystemLibrary.h"

#include <delayimp.h>

#include <cwchar>

namespace kestrova {
namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, for headers of systems that predate it.
constexpr DWORD kSearchSystem32 = 0x00000800;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// The delay-load helper would call LoadLibraryA with the bare name, which searches the program's folder where
// SetDefaultDllDirectories is missing.
FARPROC WINAPI LoadDelayedFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  wchar_t name[MAX_PATH] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH) == 0) return nullptr;
  return reinterpret_cast<FARPROC>(KVLoadSystemLibrary(name));
}

}  // namespace

void KVRestrictDllSearchToSystemFolder() noexcept {
  // kernel32 is always loaded: looking it up loads nothing.
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = kernel32 == nullptr ? nullptr
                                              : reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                                    ::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (setDefault == nullptr || !setDefault(kSearchSystem32)) ::SetDllDirectoryW(L"");
  __pfnDliNotifyHook2 = &LoadDelayedFromSystemFolder;
}

HMODULE KVLoadSystemLibrary(const wchar_t* name) noexcept {
  if (HMODULE module = ::LoadLibraryExW(name, nullptr, kSearchSystem32)) return module;
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  // A system without the search flags: the full path in the system folder.
  wchar_t path[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  if (::wcsncat_s(path, MAX_PATH, L"\\", _TRUNCATE) != 0 || ::wcsncat_s(path, MAX_PATH, name, _TRUNCATE) != 0) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  return ::LoadLibraryW(path);
}

}  // namespace kestrova
