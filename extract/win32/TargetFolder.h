// The target folder of the extraction and cleanup tasks, from the configured text.
#pragma once
#include <string>

#include "support/ErrorCodes.h"

// Makes the configured target path absolute. Interim: variables are not expanded yet.
kestrova::KVResult ResolveTargetFolder(std::u16string& folder, const std::u16string& configured);
