// The check that `kvsfx build` runs on a configuration document before writing it into an installer.
#pragma once
#include <string>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

// Returns 0 when `document` (read from `source`) may go into an installer, else an error code with the errors in
// `error`. `warnings` receives the messages of likely mistakes, which do not stop the build; with `payloadItems`
// the document is also checked against the payload.
using ConfigValidator = KVResult (*)(const std::string& source, const Bytes& document,
                                     const std::vector<std::string>* payloadItems, std::vector<std::string>& warnings,
                                     std::string& error);

// The validator `kvsfx build` uses: the check of `kvsfx check`, so that an installer never carries a
// configuration that its stub would refuse.
KVResult ValidateConfiguration(const std::string& source, const Bytes& document,
                               const std::vector<std::string>* payloadItems, std::vector<std::string>& warnings,
                               std::string& error);
// Accepts every document (kvsfx build --no-check).
KVResult AcceptAnyConfiguration(const std::string& source, const Bytes& document,
                                const std::vector<std::string>* payloadItems, std::vector<std::string>& warnings,
                                std::string& error);

}  // namespace kestrova
