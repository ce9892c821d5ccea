#include "builder/MachineKinds.h"

#include "support/Text.h"

namespace kestrova {
namespace {

bool Released(WindowsVersion version, ProcessorArch arch) {
  const bool server = IsServerVersion(version);
  switch (arch) {
    case ProcessorArch::X64:
      return true;
    case ProcessorArch::X86:  // up to Windows 10 (and older systems), never a server since 2008 R2
      return !server && version <= WindowsVersion::W10_Newer;
    case ProcessorArch::ARM64:  // Windows 10 1709 and later workstations
      return !server && version >= WindowsVersion::W10_1709;
    case ProcessorArch::ARM:  // Windows RT
      return version == WindowsVersion::W8 || version == WindowsVersion::W8_1;
    case ProcessorArch::IA64:
      return version == WindowsVersion::S2008R2;
    default:
      return false;
  }
}

}  // namespace

const std::vector<MachineKind>& EveryMachineKind() {
  static const std::vector<MachineKind> kinds = [] {
    std::vector<MachineKind> all;
    for (const ProcessorArch arch :
         {ProcessorArch::X86, ProcessorArch::X64, ProcessorArch::ARM64, ProcessorArch::ARM, ProcessorArch::IA64}) {
      // The named releases first, then the values only detection gives (older, newer, future systems).
      for (const bool named : {true, false}) {
        for (const WindowsVersion version : EveryWindowsVersion()) {
          WindowsVersion parsed = WindowsVersion::OtherWindows;
          const bool isNamed = WindowsVersionFromName(WindowsVersionName(version), parsed);
          if (isNamed == named && Released(version, arch)) all.push_back({version, arch});
        }
      }
    }
    return all;
  }();
  return kinds;
}

std::string MachineText(const MachineKind& machine) {
  return Utf16ToUtf8(WindowsVersionName(machine.version)) + " " + Utf16ToUtf8(ProcessorArchName(machine.arch));
}

}  // namespace kestrova
