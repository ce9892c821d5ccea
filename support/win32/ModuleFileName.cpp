#include "support/win32/ModuleFileName.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "support/win32/Win32Failure.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"

namespace kestrova {

KVResult KVWinModuleFileName::Init() {
  fullPath.clear();
  drive.clear();
  directory.clear();
  name.clear();
  extension.clear();

  wchar_t buffer[2048] = {};
  KV_RETURN_IF_WIN32_FALSE(::GetModuleFileNameW(nullptr, buffer, 2047), "reading the module file name");
  fullPath = FromWide(buffer);
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
