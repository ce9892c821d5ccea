// Detection of the running Windows version (version tests, then the registry's build number on 10.0).
#pragma once
#include <cstdint>

#include "config/SystemInfo.h"

// The running version as the configuration names it; 0 (OtherWindows) until detected. Needs the stub's
// manifest: without the Windows 8.1 and 10 entries the version tests answer as for Windows 8.
kestrova::KVResult GetWindowsVersion(WindowsVersion& version);

// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, value CurrentBuildNumber, read as a number.
kestrova::KVResult ReadCurrentBuildNumber(std::uint32_t& build);
