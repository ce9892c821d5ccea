#include "app/win32/EntryPoint.h"

#include <objbase.h>

#include <string>

#include "app/CmdLine.h"
#include "app/RunOutcome.h"
#include "app/win32/App.h"
#include "app/win32/CmdLineReader.h"
#include "app/win32/ErrorMessageBox.h"
#include "app/win32/RunLog.h"
#include "support/Failure.h"
#include "support/win32/CrashDumpHandler.h"

using namespace kestrova;

namespace {

int Finish(KVResult error, std::uint32_t exitCode) {
  ShowErrorMessage(error);
  EndRunLog(error, exitCode);
  return static_cast<int>(ProcessExitCode(error, exitCode));
}

}  // namespace

int RunInstallerProcess(HINSTANCE instance, RunPlanner& planner) {
  KVInstallCrashDumpHandler(L"kv-sfxstub", L"%TEMP%", -1);

  std::string parserMessage;
  const KVResult parsed = ReadCommandLine(parserMessage);
  StartRunLog(CmdLineValues);  // also after a failure: a log named before the bad argument is kept
  if (parsed != KV_OK) {
    KV_FAIL(parsed, "reading the command line ({})", parserMessage.empty() ? "no arguments" : parserMessage);
    return Finish(KV_E_BAD_COMMAND_LINE, 0);
  }

  const HRESULT com = ::CoInitialize(nullptr);

  std::uint32_t exitCode = 0;
  App app(instance, planner);
  const KVResult error = app.Run(exitCode);

  if (SUCCEEDED(com)) ::CoUninitialize();
  return Finish(error, exitCode);
}
