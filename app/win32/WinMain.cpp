#include <windows.h>

#include <cstdlib>

#include "app/win32/ConfiguredRunPlanner.h"
#include "app/win32/EntryPoint.h"
#include "support/win32/SystemLibrary.h"

// The stub never shows a console: replace the run-time library's verbose terminate handler, whose name
// demangler alone adds about 45 KB to the image. An unhandled C++ exception still ends in abort.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  // Before anything can load a DLL: none from the installer's folder.
  kestrova::KVRestrictDllSearchToSystemFolder();
  ConfiguredRunPlanner planner;
  return RunInstallerProcess(instance, planner);
}
