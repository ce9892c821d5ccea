// How a run's result becomes the process exit code and the one error message the user sees.
#pragma once
#include <cstdint>
#include <string>

#include "support/ErrorCodes.h"

class ParameterStore;

// End of a completed run: the exit code is the number in SfxExitCode; missing or not a number is KV_E_FAIL.
kestrova::KVResult ReadExitCode(const ParameterStore& parameters, std::uint32_t& exitCode);

// The process exit code: the run's error when there is one, else the exit code the run produced.
constexpr std::uint32_t ProcessExitCode(kestrova::KVResult runError, std::uint32_t exitCode) {
  return runError != kestrova::KV_OK ? runError : exitCode;
}

// The message shown for a run error code; empty for the silent codes (0, cancelled, elevation declined).
std::u16string ErrorMessageText(kestrova::KVResult code);

// The code that showing the message stands for (access denied becomes KV_E_ADMIN_REQUIRED, 267 the invalid
// target); the entry point does not use it, the exit code keeps the original.
kestrova::KVResult MappedErrorCode(kestrova::KVResult code);
