#include "app/win32/EntryPoint.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/RunOutcome.h"
#include "app/win32/App.h"
#include "app/win32/CmdLineReader.h"
#include "app/win32/ErrorMessageBox.h"
#include "support/win32/CrashDumpHandler.h"

using namespace kestrova;

int RunInstallerProcess(HINSTANCE instance, RunPlanner& planner) {
  KVInstallCrashDumpHandler(L"kv-sfxstub", L"%TEMP%", -1);

  if (ReadCommandLine() != KV_OK) {
    ShowErrorMessage(KV_E_BAD_COMMAND_LINE);
    return static_cast<int>(KV_E_BAD_COMMAND_LINE);
  }

  const HRESULT com = ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  ::InitCommonControlsEx(&controls);

  std::uint32_t exitCode = 0;
  App app(instance, planner);
  const KVResult error = app.Run(exitCode);

  if (SUCCEEDED(com)) ::CoUninitialize();
  ShowErrorMessage(error);
  return static_cast<int>(ProcessExitCode(error, exitCode));
}
