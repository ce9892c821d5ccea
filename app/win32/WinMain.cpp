#include <windows.h>

#include "app/win32/ConfiguredRunPlanner.h"
#include "app/win32/EntryPoint.h"
#include "support/win32/SystemLibrary.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  // Before anything can load a DLL: none from the installer's folder.
  kestrova::KVRestrictDllSearchToSystemFolder();
  ConfiguredRunPlanner planner;
  return RunInstallerProcess(instance, planner);
}
