// Reading of the process command line at start-up.
#pragma once
#include "support/ErrorCodes.h"

#include <string>

// Reads GetCommandLineW into CmdLineValues: passthrough split, CommandLineToArgvW, tail, parse.
// Parser messages go to the standard error stream and to `parserMessage` (the last one); values parsed before
// a failure stay stored.
kestrova::KVResult ReadCommandLine(std::string& parserMessage);
