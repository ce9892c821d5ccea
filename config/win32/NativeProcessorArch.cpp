#include "config/win32/NativeProcessorArch.h"

#include <windows.h>

#include "config/win32/ProcessMachine.h"

ProcessorArch GetNativeProcessorArch() {
  ProcessMachines machines;
  if (QueryProcessMachines(machines) == kestrova::KV_OK) {
    const ProcessorArch arch = ProcessorArchFromMachine(machines.native);
    if (arch != ProcessorArch::None) return arch;
  }
  SYSTEM_INFO info = {};
  ::GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL: return ProcessorArch::X86;
    case PROCESSOR_ARCHITECTURE_AMD64: return ProcessorArch::X64;
    case PROCESSOR_ARCHITECTURE_IA64: return ProcessorArch::IA64;
    case PROCESSOR_ARCHITECTURE_ARM: return ProcessorArch::ARM;
    case PROCESSOR_ARCHITECTURE_ARM64: return ProcessorArch::ARM64;
    default: return ProcessorArch::None;
  }
}
