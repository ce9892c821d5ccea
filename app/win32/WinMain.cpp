#include <windows.h>

#include "app/win32/ConfiguredRunPlanner.h"
#include "app/win32/EntryPoint.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  ConfiguredRunPlanner planner;
  return RunInstallerProcess(instance, planner);
}
