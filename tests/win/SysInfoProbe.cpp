// Prints the system facts as this process sees them, one "name=value" line each, for the version cases
// that need a fresh process (Wine reads the Windows version at process start).
#include <cstdio>

#include "config/win32/NativeProcessorArch.h"
#include "config/win32/UserAdmin.h"
#include "config/win32/WindowsVersion.h"

int wmain() {
  auto version = static_cast<WindowsVersion>(-1);  // shows whether detection set it at all
  const kestrova::KVResult versionResult = GetWindowsVersion(version);
  std::printf("version=%d\nversion_result=0x%08X\n", static_cast<int>(version), static_cast<unsigned>(versionResult));
  bool admin = false;
  const kestrova::KVResult adminResult = IsUserAdmin(admin);
  std::printf("admin=%d\nadmin_result=0x%08X\n", admin ? 1 : 0, static_cast<unsigned>(adminResult));
  std::printf("arch=%u\n", static_cast<unsigned>(GetNativeProcessorArch()));
  return 0;
}
