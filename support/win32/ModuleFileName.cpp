#include "support/win32/ModuleFileName.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "support/Diagnostics.h"
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
  if (::GetModuleFileNameW(nullptr, buffer, 2047) == 0) {
    const KVResult error = KVLastError();
    KVDiagnostic("ERROR: %s: GetModuleFileName failed, err=0x%08x\n",
                 "kestrova::KVWinModuleFileName::InitWithModuleHandle", static_cast<unsigned>(error));
    return error;
  }
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
  if (e != 0) {
    KVDiagnostic("ERROR: %s: _wsplitpath_s(%ls) failed, err=%d\n",
                 "kestrova::KVWinModuleFileName::InitPathComponents", AsWide(fullPath), e);
    return KVFromErrno(e);
  }
  drive = FromWide(driveBuffer);
  directory = FromWide(directoryBuffer);
  name = FromWide(nameBuffer);
  extension = FromWide(extensionBuffer);
  return KV_OK;
}

KVResult KVWinGetModulePathAndFileName(std::u16string& path) {
  path.clear();
  KVWinModuleFileName module;
  const KVResult result = module.Init();
  if (result != KV_OK) {
    KVDiagnostic("ERROR: %s: Cannot get module file name, st=0x%08x.\n", "kestrova::KVWinGetModulePathAndFileName",
                 static_cast<unsigned>(result));
    return result;
  }
  path = std::move(module.fullPath);
  return KV_OK;
}

}  // namespace kestrova
