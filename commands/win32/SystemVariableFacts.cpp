#include "commands/win32/SystemVariableFacts.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "commands/ProgramFolder.h"
#include "config/win32/ProcessMachine.h"
#include "support/Text.h"
#include "support/win32/FullPathName.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

GUID ToGuid(const KnownFolderId& id) {
  GUID guid;
  guid.Data1 = id.data1;
  guid.Data2 = id.data2;
  guid.Data3 = id.data3;
  std::memcpy(guid.Data4, id.data4, sizeof guid.Data4);
  return guid;
}

// The text up to its first zero.
std::u16string UpToZero(const std::u16string& buffer) { return buffer.substr(0, buffer.find(u'\0')); }

}  // namespace

std::u16string SystemVariableFacts::ProgramFolder() const { return ::ProgramFolder(); }

KVResult SystemVariableFacts::QueryProcessMachine(std::uint16_t& processMachine, std::uint16_t& nativeMachine) {
  ProcessMachines machines;
  KV_RETURN_IF_FAILED(QueryProcessMachines(machines), "asking which machine this process runs on");
  processMachine = machines.process;
  nativeMachine = machines.native;
  return KV_OK;
}

KVResult SystemVariableFacts::KnownFolderPath(const KnownFolderId& id, std::u16string& path) {
  KVUniqueCoTaskMemString folder;
  // The string is task memory even when the call fails.
  KV_RETURN_IF_HR_FAILED(::SHGetKnownFolderPath(ToGuid(id), static_cast<DWORD>(KF_FLAG_CREATE | KF_FLAG_INIT),
                                                nullptr, folder.put()),
                         "finding the known folder {:08X}-{:04X}-{:04X}", id.data1, id.data2, id.data3);
  path = FromWide(folder.get());
  return KV_OK;
}

KVResult SystemVariableFacts::ExpandEnvironment(const std::u16string& text, std::u16string& expanded) {
  // Measure, then expand; the environment may grow in between, so measure again when it did.
  DWORD needed = ::ExpandEnvironmentStringsW(AsWide(text), nullptr, 0);
  for (;;) {
    KV_RETURN_LAST_ERROR_IF(needed == 0, "expanding the environment variables of \"{}\"", text);
    std::u16string buffer(needed + 1, u'\0');
    const DWORD written = ::ExpandEnvironmentStringsW(AsWide(text), AsWide(buffer), static_cast<DWORD>(buffer.size()));
    KV_RETURN_LAST_ERROR_IF(written == 0, "expanding the environment variables of \"{}\"", text);
    if (written <= buffer.size()) {
      expanded = UpToZero(buffer);
      return KV_OK;
    }
    needed = written;
  }
}

KVResult SystemVariableFacts::AbsolutePath(const std::u16string& path, std::u16string& absolute) {
  const KVResult result = KVWinGetFullPathName(path, absolute);
  if (result == KV_OK) return KV_OK;
  // A path beyond what the system can take is the too-long target path.
  return KV_FAIL(result == ERROR_FILENAME_EXCED_RANGE ? KV_E_TARGET_TOO_LONG : result, "making \"{}\" absolute", path);
}
