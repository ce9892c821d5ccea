// System facts set by hand: for tests and for planning a run of an installer on an imagined machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/SystemInfo.h"

class SimulatedSystemFacts final : public SystemFacts {
 public:
  // A non-zero code makes that operation fail with it.
  struct Failures {
    kestrova::KVResult windowsVersion = 0;
    kestrova::KVResult isUserAdmin = 0;
    kestrova::KVResult moduleFileName = 0;
    kestrova::KVResult currentDirectory = 0;
    kestrova::KVResult tempFolder = 0;
    kestrova::KVResult windowsFolder = 0;
    kestrova::KVResult guid = 0;
  };

  WindowsVersion windowsVersion = WindowsVersion::W10_22H2;
  ProcessorArch nativeArch = ProcessorArch::X64;
  bool isAdmin = false;
  std::u16string modulePath = u"C:\\Users\\User\\Downloads\\setup.exe";
  std::u16string currentDirectory = u"C:\\Users\\User\\Downloads";
  std::u16string tempFolder = u"C:\\Users\\User\\AppData\\Local\\Temp\\";
  std::u16string windowsFolder = u"C:\\Windows";
  // Handed out in order; once used up, GUIDs are numbered: {00000000-0000-0000-0000-000000000001}, ...
  std::vector<std::u16string> guids;
  Failures failures;
  unsigned windowsVersionQueries = 0;  // how often the version was asked for

  kestrova::KVResult GetWindowsVersion(WindowsVersion& version) override;
  ProcessorArch GetNativeProcessorArch() override { return nativeArch; }
  kestrova::KVResult IsUserAdmin(bool& admin) override;
  kestrova::KVResult GetExecutablePath(std::u16string& path) override;
  kestrova::KVResult GetCurrentDirectoryFullPath(std::u16string& path) override;
  kestrova::KVResult GetTempFolder(std::u16string& path) override;
  kestrova::KVResult GetWindowsFolder(std::u16string& path) override;
  kestrova::KVResult NewGuidText(std::u16string& text) override;

 private:
  std::size_t guidsHandedOut_ = 0;
};
