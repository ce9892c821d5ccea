// Deleting the target folder once the launched commands have finished.
#pragma once
#include <cstdint>
#include <string>

#include "support/ErrorCodes.h"

// What a deletion met, for diagnostics and tests.
struct DeleteReport {
  kestrova::KVResult treeResult = kestrova::KV_OK;
  std::uint32_t pendingFiles = 0;
  std::uint32_t failedFiles = 0;
  std::uint32_t failedFolders = 0;
  std::uint32_t retryPasses = 0;
};

// Deletes the folder that `target` (configured text, resolved here) names with everything in it. When only files
// that someone still holds open with delete sharing keep the folders, it retries every 50 ms for up to 5 s.
// Never fails the run: the result is always 0; whatever cannot be deleted stays. A drive or share root is never
// deleted. `report` (may be null) is reset first.
kestrova::KVResult DeleteExtractedFolder(const std::u16string& target, DeleteReport* report);
