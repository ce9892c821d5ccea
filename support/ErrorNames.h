// Names and one-line meanings of the system's own error codes, for tools and diagnostics.
#pragma once
#include <string_view>

#include "support/ErrorCodes.h"

namespace kestrova {

struct KVErrorCodeInfo {
  KVResult code;
  std::string_view name;     // the constant's name, e.g. "KV_E_INVALID_DATA"
  std::string_view meaning;  // e.g. "invalid data (configuration text, keyword or number)"
};

// Null for codes that are not the system's own (Win32 codes, HRESULTs, run-time library errors).
const KVErrorCodeInfo* KVFindErrorCodeInfo(KVResult code);

}  // namespace kestrova
