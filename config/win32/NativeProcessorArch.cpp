#include "config/win32/NativeProcessorArch.h"

#include "config/win32/ProcessMachine.h"

ProcessorArch GetNativeProcessorArch() {
  ProcessMachines machines;
  if (QueryProcessMachines(machines) == kestrova::KV_OK) {
    const ProcessorArch arch = ProcessorArchFromMachine(machines.native);
    if (arch != ProcessorArch::None) return arch;
  }
  return ProcessorArchFromMachine(NativeMachineFromSystemInfo());
}
