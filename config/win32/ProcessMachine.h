// Which machine the process and the system are (IMAGE_FILE_MACHINE_* values).
#pragma once
#include <cstdint>

#include "support/ErrorCodes.h"

struct ProcessMachines {
  std::uint16_t process = 0;  // IMAGE_FILE_MACHINE_UNKNOWN (0) when the process does not run under WOW64
  std::uint16_t native = 0;
};

// Asks IsWow64Process2 (looked up at run time) about the current process. Where the function does not exist
// (Windows before 10 version 1511) the answer comes from IsWow64Process (a WOW64 process is then an x86
// process) and GetNativeSystemInfo (the system's machine).
kestrova::KVResult QueryProcessMachines(ProcessMachines& machines);

// The system's machine as GetNativeSystemInfo tells it; IMAGE_FILE_MACHINE_UNKNOWN (0) for one it does not know.
std::uint16_t NativeMachineFromSystemInfo();
