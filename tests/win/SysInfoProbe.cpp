// Prints the Windows version as this process detects it, for the version cases that need a fresh process (Wine
// reads the Windows version at process start).
#include <cstdio>

#include "config/win32/WindowsVersion.h"

int wmain() {
  auto version = static_cast<WindowsVersion>(-1);  // shows whether detection set it at all
  const kestrova::KVResult versionResult = GetWindowsVersion(version);
  std::printf("version=%d\nversion_result=0x%08X\n", static_cast<int>(version), static_cast<unsigned>(versionResult));
  return 0;
}
