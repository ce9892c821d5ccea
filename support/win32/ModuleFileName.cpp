#include "support/win32/ModuleFileName.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"

namespace kestrova {

namespace {

// Read once per process: the run, its log, the extraction and the relaunch all ask, and it cannot change.
INIT_ONCE g_readOnce = INIT_ONCE_STATIC_INIT;
DWORD g_readError = ERROR_SUCCESS;
wchar_t g_modulePath[2048];

BOOL CALLBACK ReadModulePath(PINIT_ONCE, PVOID, PVOID*) {
  if (::GetModuleFileNameW(nullptr, g_modulePath, 2047) == 0) g_readError = KVLastError();
  return TRUE;
}

}  // namespace

KVResult KVWinModuleFileName::Init() {
  fullPath.clear();
  drive.clear();
  directory.clear();
  name.clear();
  extension.clear();

  ::InitOnceExecuteOnce(&g_readOnce, &ReadModulePath, nullptr, nullptr);
  if (g_readError != ERROR_SUCCESS) return KV_FAIL(g_readError, "reading the module file name");
  fullPath = FromWide(g_modulePath);
  return InitPathComponents();
}

KVResult KVWinModuleFileName::InitPathComponents() {
  wchar_t driveBuffer[3] = {};
  wchar_t directoryBuffer[256] = {};
  wchar_t nameBuffer[256] = {};
  wchar_t extensionBuffer[256] = {};
  const errno_t e = ::_wsplitpath_s(AsWide(fullPath), driveBuffer, 3, directoryBuffer, 256, nameBuffer, 256,
                                    extensionBuffer, 256);
  if (e != 0) return KV_FAIL(KVFromErrno(e), "splitting the program path {} into its parts", fullPath);
  drive = FromWide(driveBuffer);
  directory = FromWide(directoryBuffer);
  name = FromWide(nameBuffer);
  extension = FromWide(extensionBuffer);
  return KV_OK;
}

KVResult KVWinGetModulePathAndFileName(std::u16string& path) {
  path.clear();
  KVWinModuleFileName module;
  KV_RETURN_IF_FAILED(module.Init(), "finding the program's own path");
  path = std::move(module.fullPath);
  return KV_OK;
}

}  // namespace kestrova
