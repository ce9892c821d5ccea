// The configuration against the payload it ships with: a command whose program or ${TargetPath}\... argument is
// not in the payload fails on every machine, with exit code 2 and an error message.
#pragma once
#include <string>
#include <vector>

#include "builder/ConfigDocument.h"

namespace kestrova {

// Warnings for each command (of any option or step) whose executable or ${TargetPath}\ argument names a file
// that `items` (the payload's item paths, as stored) does not hold, and for an empty payload. A bare program name
// is looked for in the payload's top folder, then among Windows' own programs (msiexec.exe, cmd.exe, ...).
std::vector<ConfigFinding> FindPayloadMismatches(const ConfigDocument& document, const std::vector<std::string>& items);

}  // namespace kestrova
