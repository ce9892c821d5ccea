// Writes a full-memory minidump when an exception reaches the top of any thread unhandled.
#pragma once
#include <windows.h>

namespace kestrova {

struct KVCrashDumpSettings {
  wchar_t dumpBaseName[MAX_PATH];  // first part of the dump file name
  wchar_t dumpFolder[MAX_PATH];    // folder text; environment variables allowed
  int specialFolderId;             // a CSIDL for SHGetSpecialFolderPathW, or -1 for none
};

// The dump folder's text before environment expansion: the dump folder; the executable's folder when there is
// none; or, with a special folder id, that folder with the dump folder below it. False when it cannot be told.
bool KVCrashDumpFolderText(const KVCrashDumpSettings& settings, wchar_t (&folder)[MAX_PATH]);

// Copies the settings and installs the handler with SetUnhandledExceptionFilter, once per process.
void KVInstallCrashDumpHandler(const wchar_t* dumpBaseName, const wchar_t* dumpFolder, int specialFolderId);

// The filter itself: writes "<folder>\<base>_YYYYMMDDhhmmss.dmp" and always returns EXCEPTION_CONTINUE_SEARCH.
LONG WINAPI KVCrashDumpFilter(EXCEPTION_POINTERS* exception);

}  // namespace kestrova
