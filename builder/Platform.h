// What the builder tool needs from the operating system: its own folder, terminals, other programs, renaming.
// One implementation for POSIX systems (PlatformPosix.cpp), one for Windows (win32/Platform.cpp).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

// The folder of the running program, or "" when it cannot be told.
std::string ProgramDirectory();

bool IsTerminal(std::FILE* stream);

// The full path of the first of `names` found in a folder of PATH (on Windows with ".exe" added), or "".
std::string FindOnPath(const std::vector<std::string>& names);

// Runs the program at argv[0] with the other elements as its arguments, waiting for it. Its standard output
// goes to `output` when given, else to ours; its standard error goes to ours. Fails only when it cannot be run.
KVResult RunProgram(const std::vector<std::string>& argv, std::string* output, int& exitCode, std::string& error);

// Renames `from` to `to`, replacing an existing `to`.
KVResult RenameReplacing(const std::string& from, const std::string& to, std::string& error);

// Gives `to` the modification time of `from`, or `notAfter` (seconds since 1970) when that is earlier; links
// themselves, not what they point to.
KVResult CopyModificationTimeClamped(const std::string& from, const std::string& to, std::int64_t notAfter,
                                     std::string& error);
int CurrentProcessId();

// Reads the command line as UTF-8 arguments (on Windows from the UTF-16 command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace kestrova
