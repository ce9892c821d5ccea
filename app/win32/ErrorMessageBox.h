#pragma once
#include "support/ErrorCodes.h"

// Shows the one error message of a run (none for silent codes or with the gui mode off) and returns the code
// that the message stands for.
kestrova::KVResult ShowErrorMessage(kestrova::KVResult code);
