// A stand-in for a DLL planted beside an installer: when loaded, it appends its own path to the file named by
// KVSFX_MARKER_FILE and refuses to stay loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t log[MAX_PATH] = {};
  wchar_t self[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"KVSFX_MARKER_FILE", log, MAX_PATH) == 0) return FALSE;
  const DWORD length = ::GetModuleFileNameW(instance, self, MAX_PATH);
  const HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(file, self, length * sizeof(wchar_t), &written, nullptr);
    ::WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
  }
  return FALSE;
}
