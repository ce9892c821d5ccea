// The log a run keeps when its command line names one (--logfile): opened first, closed last.
#pragma once
#include <cstdint>

#include "support/ErrorCodes.h"

struct CmdLineData;

// Opens the log that `values` names, if any, and writes the program, its version and its command line. A log
// that cannot be opened leaves the run as it is and says why in the debugger output. The log lives until the
// process ends: a worker abandoned by a run that ended early may still write to it.
void StartRunLog(const CmdLineData& values);

// The last line of a run: the process exit code and what it means.
void EndRunLog(kestrova::KVResult runError, std::uint32_t exitCode);
