// The stub's entry point with the task list taken from the environment variable KVSFX_TEST_PLAN.
#include <windows.h>

#include <cstdlib>

#include "app/win32/EntryPoint.h"
#include "support/win32/SystemLibrary.h"
#include "tests/win/ScriptedPlan.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  kestrova::KVRestrictDllSearchToSystemFolder();  // as the stub does
  // A crash ends the process at once instead of starting a post-mortem debugger.
  ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
  const char* plan = std::getenv("KVSFX_TEST_PLAN");
  ScriptedPlanner planner(plan != nullptr ? plan : "");
  return RunInstallerProcess(instance, planner);
}
