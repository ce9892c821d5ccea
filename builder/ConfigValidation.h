// The check that `kvsfx build` runs on a configuration document before writing it into an installer.
#pragma once
#include <string>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

// Returns 0 when `document` may go into an installer, else an error code with the reason in `error`.
// `warnings` receives the "warning: ..." lines of likely mistakes that do not stop the build.
using ConfigValidator = KVResult (*)(const Bytes& document, std::vector<std::string>& warnings, std::string& error);

// The validator `kvsfx build` uses: the check of `kvsfx check`, so that an installer never carries a
// configuration that its stub would refuse.
KVResult ValidateConfiguration(const Bytes& document, std::vector<std::string>& warnings, std::string& error);
// Accepts every document (kvsfx build --no-check).
KVResult AcceptAnyConfiguration(const Bytes& document, std::vector<std::string>& warnings, std::string& error);

}  // namespace kestrova
