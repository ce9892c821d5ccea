// The kinds of machine an installer may meet: a Windows version with a native processor architecture it was
// released for (no x86 Windows 11, no ARM64 server, IA64 only for Server 2008 R2).
#pragma once
#include <string>
#include <vector>

#include "config/SystemInfo.h"

namespace kestrova {

struct MachineKind {
  WindowsVersion version = WindowsVersion::W11_23H2;
  ProcessorArch arch = ProcessorArch::X64;
};

// Every kind, by architecture (x86, x64, ARM64, ARM, IA64), then by version; the values only detection gives
// (older, newer, future systems) after the named releases.
const std::vector<MachineKind>& EveryMachineKind();

// "W10_22H2 x86".
std::string MachineText(const MachineKind& machine);

}  // namespace kestrova
