// Built as a 64-bit program: the redirection guard must find no WOW64 and change nothing.
// Prints what the guard recorded; exit code 0 when that is no error, no WOW64, nothing turned off.
#include <cstdio>

#include "config/win32/Wow64FsRedirectionGuard.h"

int wmain() {
  const Wow64FsRedirectionGuard guard;
  std::printf("error=0x%08X wow64=%d disabled=%d\n", static_cast<unsigned>(guard.Error()), guard.IsWow64() ? 1 : 0,
              guard.Disabled() ? 1 : 0);
  return guard.Error() == 0 && !guard.IsWow64() && !guard.Disabled() ? 0 : 1;
}
