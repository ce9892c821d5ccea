// Extracting the payload into the target folder.
#pragma once
#include <string>

#include "support/ErrorCodes.h"

struct ExtractReport {
  // Why the extraction failed on an item ("Cannot open output file", "Unsafe item path", ...), or empty.
  std::u16string failureMessage;
};

// Opens the payload appended to `executablePath` (empty: the running executable), or the archive beside it, and
// writes every item into the folder that `target` (configured text, resolved here) names, creating the folder
// first. `report` (may be null) is reset first.
// Results: 0; the module path or target resolution error; KV_E_INVALID_TARGET for a target folder with an invalid name;
// the system error of another target folder failure; the system error of an item's file that could not be
// written or closed (ERROR_DISK_FULL on a full drive); KV_E_FAIL for everything else that fails (no archive,
// damaged or encrypted data, an item whose file cannot be replaced or created, an item path that leaves the
// target folder).
kestrova::KVResult ExtractPayload(const std::u16string& executablePath, const std::u16string& target,
                                  ExtractReport* report);
