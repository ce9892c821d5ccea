// The running system's facts over Win32, for the configuration reader.
#pragma once
#include "config/SystemInfo.h"

class Win32SystemFacts final : public SystemFacts {
 public:
  kestrova::KVResult GetWindowsVersion(WindowsVersion& version) override;
  ProcessorArch GetNativeProcessorArch() override;
  kestrova::KVResult IsUserAdmin(bool& isAdmin) override;
  kestrova::KVResult GetExecutablePath(std::u16string& path) override;
  // A GetFullPathNameW failure with code 1 is reported as KV_E_TARGET_TOO_LONG.
  kestrova::KVResult GetCurrentDirectoryFullPath(std::u16string& path) override;
  // GetTempPathW into 261 units: KV_E_FAIL when the path does not fit.
  kestrova::KVResult GetTempFolder(std::u16string& path) override;
  kestrova::KVResult GetWindowsFolder(std::u16string& path) override;
  kestrova::KVResult NewGuidText(std::u16string& text) override;
};
