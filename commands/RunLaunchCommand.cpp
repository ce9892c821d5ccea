#include "commands/RunLaunchCommand.h"

#include "commands/ResolvePath.h"
#include "commands/Variables.h"
#include "support/Failure.h"
#include "support/Formatter.h"
#include "support/Log.h"
#include "support/Text.h"

using namespace kestrova;

namespace {

const std::u16string kSkipCommandName = u"SkipCommand";

bool IsTrue(const ParameterStore& parameters, const std::u16string& name) {
  const std::u16string* value = parameters.Find(name);
  return value != nullptr && EqualsAsciiNoCase(*value, u"true");
}

// Variables, then environment references, in a command's executable or arguments.
KVResult ExpandCommandText(const std::u16string& text, const std::u16string& rawTarget, VariableFacts& facts,
                           std::u16string& expanded) {
  std::u16string withVariables = text;
  KV_RETURN_IF_FAILED(ExpandVariables(withVariables, kCommandVariables, rawTarget, nullptr, facts),
                      "expanding the variables of \"{}\"", text);
  KV_RETURN_IF_FAILED(facts.ExpandEnvironment(withVariables, expanded), "expanding the environment in \"{}\"",
                      withVariables);
  return KV_OK;
}

KVResult ReadProcessExitCode(ProcessLauncher& launcher, LaunchedProcess process, const std::u16string& what,
                      std::uint32_t& exitCode) {
  KV_RETURN_IF_FAILED(launcher.ExitCode(process, exitCode), "reading the exit code of {}", what);
  if (exitCode == KV_EXIT_STILL_ACTIVE) return KV_FAIL(KV_E_STILL_RUNNING, "reading the exit code of {}: still running", what);
  KVLogEvent("{} ended with exit code {} (0x{:08X})", what, exitCode, exitCode);
  return KV_OK;
}

KVResult RunCreateProcess(const LaunchCommand& command, const std::u16string& folder, std::u16string program,
                          const std::u16string& arguments, ProcessLauncher& launcher, std::uint32_t& exitCode) {
  KV_RETURN_IF_FAILED(ResolveProgram(folder, launcher, program), "finding the program {}", program);
  const std::u16string commandLine = CreateProcessCommandLine(program, arguments);
  KVLogEvent("starting {} in {}{}", commandLine, folder, command.hide ? " (hidden)" : "");
  LaunchedProcess process = 0;
  KV_RETURN_IF_FAILED(launcher.StartProcess(commandLine, folder, command.hide, process), "starting {}", commandLine);
  const UniqueLaunchedProcess owner({&launcher, process});
  if (process == 0) return KV_FAIL(KV_E_EMPTY_HANDLE, "starting {}: no process handle", commandLine);
  const KVResult waited = launcher.Wait(process);
  if (waited == KV_E_TIMEOUT) return KV_FAIL(KV_E_TIMEOUT, "waiting for {}", commandLine);
  KV_RETURN_IF_FAILED(waited, "waiting for {}", commandLine);
  return ReadProcessExitCode(launcher, process, program, exitCode);
}

KVResult RunShellExecuteEx(const LaunchCommand& command, const std::u16string& folder, const std::u16string& file,
                           const std::u16string& arguments, LaunchContext& context, std::uint32_t& exitCode) {
  ShellExecuteRequest request;
  request.directory = folder;
  if (command.asAdmin) {
    request.verb = u"runas";
    KV_RETURN_IF_FAILED(context.launcher.OwnPath(request.file), "finding the installer to relaunch elevated");
    request.parameters = RelaunchParameters(folder, command.language, context.tail);
    request.hidden = true;
    request.keepProcess = true;  // the elevated copy is always waited for
    KVLogEvent("relaunching elevated: \"{}\" {}", request.file, request.parameters);
  } else {
    request.verb = u"open";
    request.file = file;
    request.parameters = arguments;
    request.keepProcess = command.wait;
    KVLogEvent("opening {} {} in {}{}", file, arguments, folder, command.wait ? ", waiting" : "");
  }
  LaunchedProcess process = 0;
  const KVResult started = context.launcher.ShellOpenEx(request, process);
  const UniqueLaunchedProcess owner({&context.launcher, process});
  if (started == KV_WIN32_CANCELLED && command.asAdmin) {
    return KV_FAIL(KV_E_ELEVATION_DECLINED, "relaunching elevated: the prompt was declined");
  }
  KV_RETURN_IF_FAILED(started, "{} {}", request.verb, request.file);
  if (!request.keepProcess) return KV_OK;
  if (process == 0) return KV_FAIL(KV_E_EMPTY_HANDLE, "{} {}: no process handle to wait for", request.verb, request.file);
  KV_RETURN_IF_FAILED(context.launcher.Wait(process), "waiting for {}", request.file);
  return ReadProcessExitCode(context.launcher, process, request.file, exitCode);
}

// The first non-zero exit code of the run stays; 3010 and 1641 are kept as they are.
KVResult RecordExitCode(ParameterStore& parameters, std::uint32_t exitCode) {
  const std::u16string* current = parameters.Find(kSfxExitCodeName);
  std::uint32_t value = 0;
  if (current == nullptr || ParseNumber(*current, value) != KV_OK) {
    return KV_FAIL(KV_E_FAIL, "keeping the exit code {}: SfxExitCode is {}", exitCode,
                   current == nullptr ? u"missing" : u"\"" + *current + u"\", not a number");
  }
  if (value == 0) parameters.Assign(kSfxExitCodeName, KVFormatDecimal(exitCode));
  return KV_OK;
}

KVResult Evaluate(const Conditional& condition, LaunchContext& context, const char* which) {
  bool result = false;
  KV_RETURN_IF_FAILED(EvaluateCondition(condition, context.actions, result), "evaluating the {} condition", which);
  KVLogEvent("{} condition: {}", which, result ? "true" : "false");
  return KV_OK;
}

}  // namespace

KVResult RunLaunchCommand(const LaunchCommand& command, const std::u16string& rawTarget, LaunchContext& context) {
  ParameterStore& parameters = context.parameters;
  if (parameters.Find(kSkipCommandName) != nullptr) {
    return KV_FAIL(KV_E_INVALID_DATA, "starting a command: SkipCommand is still set by an earlier condition");
  }
  if (!command.resultName.empty() && !parameters.Insert(command.resultName, u"0")) {
    return KV_FAIL(KV_E_INVALID_DATA, "starting a command: the result name {} is taken", command.resultName);
  }
  if (command.beforeCommand) {
    KV_RETURN_IF_FAILED(Evaluate(*command.beforeCommand, context, "before"), "the command's before condition");
    if (IsTrue(parameters, kAbortName)) {
      KVLogEvent("command not started: Abort is set");
      return KV_OK;
    }
    if (IsTrue(parameters, kSkipCommandName)) {
      parameters.Remove(kSkipCommandName);
      KVLogEvent("command skipped: SkipCommand is set");
      return KV_OK;
    }
  }
  std::uint32_t exitCode = 0;
  KV_RETURN_IF_FAILED(LaunchProcess(command, rawTarget, context, exitCode), "running {}", command.executable);
  if (!command.resultName.empty()) parameters.Assign(command.resultName, KVFormatDecimal(exitCode));
  KV_RETURN_IF_FAILED(RecordExitCode(parameters, exitCode), "recording the exit code");
  if (command.afterCommand) {
    KV_RETURN_IF_FAILED(Evaluate(*command.afterCommand, context, "after"), "the command's after condition");
  }
  return KV_OK;
}

KVResult LaunchProcess(const LaunchCommand& command, const std::u16string& rawTarget, LaunchContext& context,
                       std::uint32_t& exitCode) {
  exitCode = 0;
  std::u16string folder;
  KV_RETURN_IF_FAILED(ResolvePath(folder, rawTarget, context.facts), "resolving the working folder \"{}\"",
                      rawTarget);
  std::u16string file;
  KV_RETURN_IF_FAILED(ExpandCommandText(command.executable, rawTarget, context.facts, file), "the executable");
  std::u16string arguments;
  if (!command.arguments.empty()) {
    KV_RETURN_IF_FAILED(ExpandCommandText(command.arguments, rawTarget, context.facts, arguments), "the arguments");
  }
  if (command.useCreateProcess) {
    return RunCreateProcess(command, folder, file, arguments, context.launcher, exitCode);
  }
  if (!command.wait && !command.asAdmin) {
    KVLogEvent("opening {} {} in {}", file, arguments, folder);
    KV_RETURN_IF_FAILED(context.launcher.ShellOpen(file, arguments, folder), "opening {}", file);
    return KV_OK;
  }
  return RunShellExecuteEx(command, folder, file, arguments, context, exitCode);
}

std::u16string RelaunchParameters(const std::u16string& workingFolder, const std::u16string& language,
                                  const std::u16string& tail) {
  if (language.empty()) return KVFormat(u"--{} {} --{} \"{}\" {}", u"internal", 1, u"target", workingFolder, tail);
  return KVFormat(u"--{} {} --{} \"{}\" --{} {} {}", u"internal", 1, u"target", workingFolder, u"language", language,
                  tail);
}

std::u16string CreateProcessCommandLine(const std::u16string& program, const std::u16string& arguments) {
  std::u16string line = u"\"" + program + u"\"";
  if (!arguments.empty()) line += u" " + arguments;
  return line;
}

std::u16string DescribeLaunchCall(const LaunchCommand& command, const std::u16string& installer,
                                  const std::u16string& tail) {
  const std::u16string folder = u"${TargetPath}";
  if (command.useCreateProcess) {
    return u"CreateProcessW " + CreateProcessCommandLine(command.executable, command.arguments) + u" in " + folder +
           (command.hide ? u", hidden" : u"") + u"; waits";
  }
  if (command.asAdmin) {
    return u"ShellExecuteExW runas \"" + installer + u"\" " + RelaunchParameters(folder, command.language, tail) +
           u" in " + folder + u", hidden; waits for the elevated copy";
  }
  const std::u16string call = command.wait ? u"ShellExecuteExW open " : u"ShellExecuteW open ";
  return call + command.executable + (command.arguments.empty() ? u"" : u" " + command.arguments) + u" in " + folder +
         (command.wait ? u"; waits" : u"; does not wait");
}

bool IsBareProgramName(const std::u16string& executable) {
  return !executable.empty() && executable.find_first_of(u"\\/:") == std::u16string::npos;
}

KVResult ResolveProgram(const std::u16string& workingFolder, ProcessLauncher& launcher, std::u16string& program) {
  if (!IsBareProgramName(program)) return KV_OK;
  const std::size_t dot = program.rfind(u'.');
  const std::u16string name = dot == std::u16string::npos ? program + u".exe" : program;
  std::vector<std::u16string> folders{workingFolder};
  for (std::u16string& folder : launcher.ProgramFolders()) folders.push_back(std::move(folder));
  for (const std::u16string& folder : folders) {
    if (folder.empty()) continue;
    const bool separated = folder.back() == u'\\' || folder.back() == u'/';
    const std::u16string candidate = folder + (separated ? u"" : u"\\") + name;
    if (launcher.IsFile(candidate)) {
      program = candidate;
      return KV_OK;
    }
  }
  return KV_FAIL(KV_WIN32_FILE_NOT_FOUND, "finding {} in the working folder, the system folders and PATH", name);
}
