// The embedded configuration resource (support/StubContract.h names it).
#pragma once
#include <windows.h>

#include <string>

#include "support/ErrorCodes.h"

// Copies the resource's bytes from `module` (null: the running executable) into `text`, whose c_str() ends
// them with a NUL. KV_E_NO_CONFIGURATION when the module has no RT_RCDATA resource at all, or when the
// resource is empty; the system error code when resource 222 or its language 1033 is missing or cannot be
// loaded.
kestrova::KVResult ReadConfigurationResource(HMODULE module, std::string& text);
