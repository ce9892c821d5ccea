// The failure idiom for Win32 calls that report their error through GetLastError or an HRESULT.
#pragma once
#include <windows.h>

#include "support/Failure.h"

namespace kestrova {

// The calling thread's last error as a result code; never 0, so a failure stays a failure.
inline KVResult KVLastError() noexcept {
  const DWORD e = ::GetLastError();
  return e != 0 ? e : KV_E_FAIL;
}

// The last error as it is, 0 included, for the callers that handle a failure without an error code themselves:
// the cleanup takes it as done (the next step finds what is left), ShellExecute has a result code of its own.
inline KVResult KVLastErrorOrNone() noexcept { return ::GetLastError(); }

}  // namespace kestrova

// Returns GetLastError (never 0) from the calling function when `condition` holds, recorded with what was being
// done. The error is read before anything else can change it.
#define KV_RETURN_LAST_ERROR_IF(condition, ...)                                          \
  do {                                                                                   \
    if (condition) {                                                                     \
      const ::kestrova::KVResult kvLastError_ = ::kestrova::KVLastError();               \
      return KV_FAIL(kvLastError_, __VA_ARGS__);                                         \
    }                                                                                    \
  } while (false)

// For calls that return a BOOL (or a handle, a count) that is false or zero on failure.
#define KV_RETURN_IF_WIN32_FALSE(expr, ...) KV_RETURN_LAST_ERROR_IF(!(expr), __VA_ARGS__)

// Like KV_RETURN_LAST_ERROR_IF, for the cleanup's calls whose failure without an error code counts as done.
#define KV_RETURN_REPORTED_ERROR_IF(condition, ...)                                      \
  do {                                                                                   \
    if (condition) {                                                                     \
      const ::kestrova::KVResult kvReported_ = ::kestrova::KVLastErrorOrNone();          \
      if (kvReported_ != ::kestrova::KV_OK) return KV_FAIL(kvReported_, __VA_ARGS__);    \
    }                                                                                    \
  } while (false)

// For calls that return an HRESULT: a failure is returned as that HRESULT.
#define KV_RETURN_IF_HR_FAILED(expr, ...)                                                          \
  do {                                                                                             \
    const HRESULT kvHr_ = (expr);                                                                  \
    if (FAILED(kvHr_)) return KV_FAIL(static_cast<::kestrova::KVResult>(kvHr_), __VA_ARGS__);      \
  } while (false)
