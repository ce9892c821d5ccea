#include "config/win32/ProcessMachine.h"

#include <windows.h>

#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

template <class Fn>
Fn LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

KVResult QueryProcessMachines(ProcessMachines& machines) {
  machines = {};
  KVUniqueModule kernel32(::LoadLibraryW(L"kernel32.dll"));
  if (!kernel32) return KVLastError();

  if (const auto isWow64Process2 = LookUp<IsWow64Process2Fn>(kernel32.get(), "IsWow64Process2")) {
    USHORT process = 0;
    USHORT native = 0;
    if (!isWow64Process2(::GetCurrentProcess(), &process, &native)) return KVLastError();
    machines.process = process;
    machines.native = native;
    return KV_OK;
  }

  const auto isWow64Process = LookUp<IsWow64ProcessFn>(kernel32.get(), "IsWow64Process");
  if (isWow64Process == nullptr) return KVLastError();
  BOOL wow64 = FALSE;
  if (!isWow64Process(::GetCurrentProcess(), &wow64)) return KVLastError();
  machines.process = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
#if defined(_M_IX86) || defined(__i386__)
  machines.native = wow64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
#else
  machines.native = IMAGE_FILE_MACHINE_AMD64;
#endif
  return KV_OK;
}
