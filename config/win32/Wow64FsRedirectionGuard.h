// Turns WOW64 file-system redirection off for the calling thread for the guard's lifetime.
#pragma once
#include <windows.h>

#include "support/ErrorCodes.h"
#include "support/win32/UniqueResource.h"

class Wow64FsRedirectionGuard {
 public:
  Wow64FsRedirectionGuard();
  ~Wow64FsRedirectionGuard();
  Wow64FsRedirectionGuard(const Wow64FsRedirectionGuard&) = delete;
  Wow64FsRedirectionGuard& operator=(const Wow64FsRedirectionGuard&) = delete;

  kestrova::KVResult Error() const { return error_; }
  bool IsWow64() const { return isWow64_; }
  bool Disabled() const { return disabled_; }

 private:
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);

  bool resolved_ = false;
  bool disabled_ = false;
  PVOID oldValue_ = nullptr;
  kestrova::KVUniqueModule kernel32_;
  DisableFn disable_ = nullptr;
  RevertFn revert_ = nullptr;
  kestrova::KVResult error_ = kestrova::KV_OK;
  bool isWow64_ = false;
};
