#include "config/win32/Wow64FsRedirectionGuard.h"

#include "config/win32/ProcessMachine.h"
#include "support/win32/SystemLibrary.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

Wow64FsRedirectionGuard::Wow64FsRedirectionGuard() {
  ProcessMachines machines;
  error_ = QueryProcessMachines(machines);
  if (error_ != KV_OK) return;
  isWow64_ = machines.process != IMAGE_FILE_MACHINE_UNKNOWN;
  if (!isWow64_) return;

  kernel32_.reset(KVLoadSystemLibrary(L"kernel32.dll"));
  if (!kernel32_) {
    error_ = KVLastError();
    return;
  }
  disable_ = reinterpret_cast<DisableFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32_.get(), "Wow64DisableWow64FsRedirection")));
  revert_ = reinterpret_cast<RevertFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32_.get(), "Wow64RevertWow64FsRedirection")));
  if (disable_ == nullptr || revert_ == nullptr) {
    error_ = KVLastError();
    disable_ = nullptr;
    revert_ = nullptr;
    return;
  }
  resolved_ = true;
  if (!disable_(&oldValue_)) {
    error_ = KVLastError();
    return;
  }
  disabled_ = true;
}

Wow64FsRedirectionGuard::~Wow64FsRedirectionGuard() {
  if (resolved_ && disabled_ && revert_(oldValue_)) oldValue_ = nullptr;
}
