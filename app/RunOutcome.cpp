#include "app/RunOutcome.h"

#include "commands/Parameters.h"
#include "commands/ResolvePath.h"
#include "support/Formatter.h"
#include "support/Text.h"

using namespace kestrova;

KVResult ReadExitCode(const ParameterStore& parameters, std::uint32_t& exitCode) {
  const std::u16string* value = parameters.Find(kSfxExitCodeName);
  std::uint32_t number = 0;
  if (value == nullptr || ParseNumber(*value, number) != KV_OK) return KV_E_FAIL;
  exitCode = number;
  return KV_OK;
}

std::u16string ErrorMessageText(KVResult code) {
  switch (code) {
    case KV_OK:
    case KV_E_CANCELLED:
    case KV_E_ELEVATION_DECLINED:
      return {};
    case KV_E_UNSUPPORTED_SYSTEM:
      return u"The current system is not supported.";
    case KV_WIN32_ACCESS_DENIED:
    case KV_HRESULT_ACCESS_DENIED:
      return u"Administrator privileges required.";
    case KV_E_BAD_COMMAND_LINE:
      return u"The command line arguments are invalid.";
    case KV_E_MISSING_ARGUMENT:
      return u"A command line argument is missing.";
    case KV_WIN32_DIRECTORY:
    case KV_E_INVALID_TARGET:
      return u"The target path is invalid.";
    case KV_E_TARGET_TOO_LONG:
      return KVFormat(u"The target path exceeds the maximum supported length of {} characters.",
                      kMaxTargetPathLength);
    default:
      return u"The execution was aborted due to an error.";
  }
}

KVResult MappedErrorCode(KVResult code) {
  switch (code) {
    case KV_WIN32_ACCESS_DENIED:
    case KV_HRESULT_ACCESS_DENIED:
      return KV_E_ADMIN_REQUIRED;
    case KV_WIN32_DIRECTORY:
      return KV_E_INVALID_TARGET;
    default:
      return code;
  }
}
