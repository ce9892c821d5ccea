#include "support/win32/CrashDumpHandler.h"

#include <dbghelp.h>
#include <shlobj.h>

#include <cwchar>

#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/SystemLibrary.h"
#include "support/win32/UniqueResource.h"

namespace kestrova {
namespace {

KVCrashDumpSettings g_settings = {{}, {}, -1};
bool g_installed = false;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

void CopyText(wchar_t (&destination)[MAX_PATH], const wchar_t* source) {
  std::wcsncpy(destination, source ? source : L"", MAX_PATH - 1);
  destination[MAX_PATH - 1] = L'\0';
}

void AppendText(wchar_t (&destination)[MAX_PATH], const wchar_t* source) {
  const std::size_t used = std::wcslen(destination);
  if (used + 1 < MAX_PATH) std::wcsncat(destination, source, MAX_PATH - 1 - used);
}

// Creates each folder of the chain; a text without any backslash is refused.
bool CreateFolderChain(const wchar_t* path) {
  if (std::wcschr(path, L'\\') == nullptr) return false;
  wchar_t accumulated[MAX_PATH] = {};
  std::size_t used = 0;
  const wchar_t* segment = path;
  for (;;) {
    const wchar_t* end = std::wcschr(segment, L'\\');
    const std::size_t length = end ? static_cast<std::size_t>(end - segment) : std::wcslen(segment);
    if (used + length + 1 >= MAX_PATH) return false;
    std::wmemcpy(accumulated + used, segment, length);
    used += length;
    accumulated[used] = L'\0';
    if (length > 1) ::CreateDirectoryW(accumulated, nullptr);
    if (end == nullptr) return true;
    accumulated[used++] = L'\\';
    accumulated[used] = L'\0';
    segment = end + 1;
  }
}

}  // namespace

bool KVCrashDumpFolderText(const KVCrashDumpSettings& settings, wchar_t (&folder)[MAX_PATH]) {
  folder[0] = L'\0';
  if (settings.specialFolderId == -1) {
    if (settings.dumpFolder[0] != L'\0') {
      CopyText(folder, settings.dumpFolder);
      return true;
    }
    KVWinModuleFileName module;
    if (module.Init() != KV_OK) return false;
    CopyText(folder, AsWide(module.Folder()));
    return true;
  }
  if (!::SHGetSpecialFolderPathW(nullptr, folder, settings.specialFolderId, TRUE)) return false;
  if (settings.dumpFolder[0] != L'\0') {
    const std::size_t length = std::wcslen(folder);
    if (length == 0 || folder[length - 1] != L'\\') AppendText(folder, L"\\");
    AppendText(folder, settings.dumpFolder);
  }
  return true;
}

void KVInstallCrashDumpHandler(const wchar_t* dumpBaseName, const wchar_t* dumpFolder, int specialFolderId) {
  if (g_installed) return;
  g_installed = true;
  CopyText(g_settings.dumpBaseName, dumpBaseName);
  CopyText(g_settings.dumpFolder, dumpFolder);
  g_settings.specialFolderId = specialFolderId;
  ::SetUnhandledExceptionFilter(&KVCrashDumpFilter);
}

LONG WINAPI KVCrashDumpFilter(EXCEPTION_POINTERS* exception) {
  KVUniqueModule dbghelp(KVLoadSystemLibrary(L"dbghelp.dll"));
  if (!dbghelp) return EXCEPTION_CONTINUE_SEARCH;
  const auto writeDump =
      reinterpret_cast<MiniDumpWriteDumpFn>(reinterpret_cast<void*>(::GetProcAddress(dbghelp.get(), "MiniDumpWriteDump")));
  if (writeDump == nullptr) return EXCEPTION_CONTINUE_SEARCH;

  SYSTEMTIME now = {};
  ::GetLocalTime(&now);

  wchar_t folder[MAX_PATH] = {};
  if (!KVCrashDumpFolderText(g_settings, folder)) return EXCEPTION_CONTINUE_SEARCH;
  wchar_t expanded[MAX_PATH] = {};
  const DWORD expandedLength = ::ExpandEnvironmentStringsW(folder, expanded, MAX_PATH);
  if (expandedLength == 0 || expandedLength > MAX_PATH || expanded[0] == L'\0') return EXCEPTION_CONTINUE_SEARCH;
  if (!CreateFolderChain(expanded)) return EXCEPTION_CONTINUE_SEARCH;

  wchar_t fileName[MAX_PATH] = {};
  ::_snwprintf(fileName, MAX_PATH - 1, L"%ls\\%ls_%d%02d%02d%02d%02d%02d.dmp", expanded, g_settings.dumpBaseName,
                now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  fileName[MAX_PATH - 1] = L'\0';  // longer names are cut

  KVUniqueFile file(::CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return EXCEPTION_CONTINUE_SEARCH;

  MINIDUMP_EXCEPTION_INFORMATION info = {};
  info.ThreadId = ::GetCurrentThreadId();
  info.ExceptionPointers = exception;
  info.ClientPointers = FALSE;
  writeDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file.get(), MiniDumpWithFullMemory, &info, nullptr,
            nullptr);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace kestrova
