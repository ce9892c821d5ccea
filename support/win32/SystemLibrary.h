// Loading DLLs only from the system folder: an installer runs from a folder (Downloads) that others write into,
// where a planted DLL of a known name would otherwise be found first.
#pragma once
#include <windows.h>

namespace kestrova {

// Makes the system folder the only place the process's later loads search by default: SetDefaultDllDirectories
// where the system has it, else SetDllDirectoryW(L"") (which at least drops the current folder). Delay-loaded DLLs
// are loaded with KVLoadSystemLibrary, whatever the system has. Called first.
void KVRestrictDllSearchToSystemFolder() noexcept;

// Loads `name` from the system folder only; null with the error in GetLastError.
HMODULE KVLoadSystemLibrary(const wchar_t* name) noexcept;

}  // namespace kestrova
