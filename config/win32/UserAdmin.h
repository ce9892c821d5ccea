// Whether a token is a member of the built-in Administrators group.
#pragma once
#include <windows.h>

#include "support/ErrorCodes.h"

// Without a token: the calling thread's effective token, so under User Account Control true only when elevated.
// A primary token is asked through an impersonation copy. KV_E_EMPTY_HANDLE when the system wants a token and
// none was given.
kestrova::KVResult IsUserAdmin(bool& isAdmin, HANDLE token = nullptr);
