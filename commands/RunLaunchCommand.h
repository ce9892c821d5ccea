// Running one launch command: its result entry, the conditions around it, the process, and the exit code kept in
// SfxExitCode. The system is reached through ProcessLauncher, VariableFacts and ActionHost.
#pragma once
#include <cstdint>
#include <string>

#include "commands/Conditions.h"
#include "commands/LaunchCommand.h"
#include "commands/Parameters.h"
#include "commands/ProcessLauncher.h"
#include "commands/VariableFacts.h"
#include "support/ErrorCodes.h"

struct LaunchContext {
  ParameterStore& parameters;
  VariableFacts& facts;
  ProcessLauncher& launcher;
  ActionHost& actions;
  std::u16string tail;  // the command line after the program name, handed to an elevated copy
};

// The whole command: fails with KV_E_INVALID_DATA when SkipCommand is present at the start or the result name is
// taken; runs the before condition (an Abort or SkipCommand it sets ends the command here, successfully); starts
// the process; stores its exit code under the result name and, while SfxExitCode is 0, in SfxExitCode; returns
// the after condition's result.
kestrova::KVResult RunLaunchCommand(const LaunchCommand& command, const std::u16string& rawTarget,
                                    LaunchContext& context);

// Starts the command's process in the resolved target folder and waits where the command says so; `exitCode`
// stays 0 for a process that is not waited for.
kestrova::KVResult LaunchProcess(const LaunchCommand& command, const std::u16string& rawTarget, LaunchContext& context,
                                 std::uint32_t& exitCode);

// The parameters of the elevated copy: --internal 1 --target "FOLDER" [--language TAG] TAIL (an empty tail leaves
// a trailing blank).
std::u16string RelaunchParameters(const std::u16string& workingFolder, const std::u16string& language,
                                  const std::u16string& tail);

// The CreateProcessW command line: the program in double quotes (always, even when it already has them), then
// one blank and the arguments when there are any.
std::u16string CreateProcessCommandLine(const std::u16string& program, const std::u16string& arguments);

// The call the system will receive for the command, from the texts as configured (variables are expanded only
// on the machine that runs it; the working folder is written ${TargetPath}), and whether it waits:
// 'CreateProcessW "msiexec.exe" /i a.msi in ${TargetPath}, hidden; waits'. An elevated command shows the
// relaunch of `installer` with the tail.
std::u16string DescribeLaunchCall(const LaunchCommand& command, const std::u16string& installer,
                                  const std::u16string& tail);

// Whether the executable is a bare program name, which ResolveProgram looks for.
bool IsBareProgramName(const std::u16string& executable);

// A program given by a bare name (no path separator, no drive) is looked for in the working folder, then in the
// launcher's program folders, with ".exe" added when the name has no extension; `program` becomes that full
// path. Never the installer's own folder, where a downloaded file of the same name may wait. 2
// (ERROR_FILE_NOT_FOUND) when it is nowhere. A program with a path stays as it is.
kestrova::KVResult ResolveProgram(const std::u16string& workingFolder, ProcessLauncher& launcher,
                                  std::u16string& program);
