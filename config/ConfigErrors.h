// Short names and one-line meanings of the codes that reading a configuration and choosing its option and
// command give, for tools that report them.
#pragma once
#include <string_view>

#include "support/ErrorCodes.h"

struct ConfigErrorDescription {
  std::string_view name;     // the constant's name, "KV_E_INVALID_DATA"; "system error" for other codes
  std::string_view meaning;  // what the code says about the document or the choice
};

// While a document is read (Cfg::Load).
ConfigErrorDescription DescribeConfigError(kestrova::KVResult code);
// While an option and its command are chosen (SelectOption, GetCommand, ResolveCommand, preparing a run).
ConfigErrorDescription DescribeSelectionError(kestrova::KVResult code);

inline std::string_view ConfigErrorName(kestrova::KVResult code) { return DescribeConfigError(code).name; }
