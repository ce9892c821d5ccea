// The failure idiom for Win32 calls that report their error through GetLastError or an HRESULT.
#pragma once
#include <windows.h>

#include "support/Failure.h"
#include "support/win32/UniqueResource.h"

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

// For calls that return an HRESULT: a failure is returned as that HRESULT.
#define KV_RETURN_IF_HR_FAILED(expr, ...)                                                          \
  do {                                                                                             \
    const HRESULT kvHr_ = (expr);                                                                  \
    if (FAILED(kvHr_)) return KV_FAIL(static_cast<::kestrova::KVResult>(kvHr_), __VA_ARGS__);      \
  } while (false)
