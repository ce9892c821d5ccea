#include "config/win32/ProcessMachine.h"

#include <windows.h>

#include "support/win32/SystemLibrary.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

template <class Fn>
Fn LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

std::uint16_t NativeMachineFromSystemInfo() {
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL: return IMAGE_FILE_MACHINE_I386;
    case PROCESSOR_ARCHITECTURE_AMD64: return IMAGE_FILE_MACHINE_AMD64;
    case PROCESSOR_ARCHITECTURE_IA64: return IMAGE_FILE_MACHINE_IA64;
    case PROCESSOR_ARCHITECTURE_ARM: return 0x01C0;  // IMAGE_FILE_MACHINE_ARM
    case 12: return 0xAA64;                          // PROCESSOR_ARCHITECTURE_ARM64, IMAGE_FILE_MACHINE_ARM64
    default: return IMAGE_FILE_MACHINE_UNKNOWN;
  }
}

KVResult QueryProcessMachines(ProcessMachines& machines) {
  machines = {};
  KVUniqueModule kernel32(KVLoadSystemLibrary(L"kernel32.dll"));
  KV_RETURN_LAST_ERROR_IF(!kernel32, "loading kernel32.dll");

  if (const auto isWow64Process2 = LookUp<IsWow64Process2Fn>(kernel32.get(), "IsWow64Process2")) {
    USHORT process = 0;
    USHORT native = 0;
    KV_RETURN_IF_WIN32_FALSE(isWow64Process2(::GetCurrentProcess(), &process, &native), "IsWow64Process2");
    machines.process = process;
    machines.native = native;
    return KV_OK;
  }

  const auto isWow64Process = LookUp<IsWow64ProcessFn>(kernel32.get(), "IsWow64Process");
  KV_RETURN_LAST_ERROR_IF(isWow64Process == nullptr, "looking up IsWow64Process");
  BOOL wow64 = FALSE;
  KV_RETURN_IF_WIN32_FALSE(isWow64Process(::GetCurrentProcess(), &wow64), "IsWow64Process");
  machines.process = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
  machines.native = NativeMachineFromSystemInfo();
  return KV_OK;
}
