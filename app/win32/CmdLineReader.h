// Reading of the process command line at start-up.
#pragma once
#include "support/ErrorCodes.h"

// Reads GetCommandLineW into CmdLineValues: passthrough split, CommandLineToArgvW, tail, parse.
// Parser messages go to the standard error stream; values parsed before a failure stay stored.
kestrova::KVResult ReadCommandLine();
