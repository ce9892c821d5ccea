#include "commands/win32/Win32ProcessLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include "commands/SearchPath.h"
#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

HANDLE AsHandle(LaunchedProcess process) { return reinterpret_cast<HANDLE>(process); }
LaunchedProcess FromHandle(HANDLE handle) { return reinterpret_cast<LaunchedProcess>(handle); }

const wchar_t* OrNull(const std::u16string& text) { return text.empty() ? nullptr : AsWide(text); }

// A folder the system reports into a buffer of the size it asks for.
template <class Query>
std::u16string SystemFolder(Query query) {
  const UINT needed = query(nullptr, 0);
  if (needed == 0) return {};
  std::u16string folder(needed, u'\0');
  const UINT written = query(AsWide(folder), needed);
  if (written == 0 || written >= needed) return {};
  folder.resize(written);
  return folder;
}

// The error of a failed ShellExecute call: its last error, or, when it set none, the Win32 code for the result it
// returned (32 or less), so that a program that was never started is never taken for success.
KVResult ShellExecuteError(INT_PTR result) {
  const KVResult error = KVLastErrorOrNone();
  if (error != KV_OK) return error;
  switch (result) {
    case 0:
      return ERROR_OUTOFMEMORY;
    case SE_ERR_FNF:
    case SE_ERR_PNF:
    case SE_ERR_ACCESSDENIED:
    case SE_ERR_OOM:
    case ERROR_BAD_FORMAT:
      return static_cast<KVResult>(result);  // the same values as the Win32 codes
    case SE_ERR_SHARE:
      return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
      return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
      return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
      return ERROR_DLL_NOT_FOUND;
    default:
      return KV_E_FAIL;
  }
}

}  // namespace

KVResult Win32ProcessLauncher::StartProcess(const std::u16string& commandLine, const std::u16string& folder,
                                             bool hide, LaunchedProcess& process) {
  process = 0;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (hide) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  std::u16string writable = commandLine;  // CreateProcessW may write into its command line
  PROCESS_INFORMATION information = {};
  KV_RETURN_IF_WIN32_FALSE(::CreateProcessW(nullptr, AsWide(writable), nullptr, nullptr, FALSE,
                                           hide ? CREATE_NO_WINDOW : 0, nullptr, OrNull(folder), &startup, &information),
                           "CreateProcessW {} in {}", commandLine, folder);
  const KVUniqueHandle thread(information.hThread);
  process = FromHandle(information.hProcess);
  return KV_OK;
}

KVResult Win32ProcessLauncher::ShellOpen(const std::u16string& file, const std::u16string& parameters,
                                            const std::u16string& folder) {
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", AsWide(file), OrNull(parameters), OrNull(folder), SW_SHOWDEFAULT);
  if (reinterpret_cast<INT_PTR>(result) > 32) return KV_OK;
  const KVResult error = ShellExecuteError(reinterpret_cast<INT_PTR>(result));
  return KV_FAIL(error, "ShellExecuteW open {} in {}", file, folder);
}

KVResult Win32ProcessLauncher::ShellOpenEx(const ShellExecuteRequest& request, LaunchedProcess& process) {
  process = 0;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_DOENVSUBST | (request.keepProcess ? SEE_MASK_NOCLOSEPROCESS : 0);
  info.lpVerb = AsWide(request.verb);
  info.lpFile = AsWide(request.file);
  info.lpParameters = OrNull(request.parameters);
  info.lpDirectory = OrNull(request.directory);
  info.nShow = request.hidden ? SW_HIDE : SW_SHOWDEFAULT;
  const BOOL done = ::ShellExecuteExW(&info);
  const KVResult error = done ? KV_OK : ShellExecuteError(reinterpret_cast<INT_PTR>(info.hInstApp));
  process = FromHandle(info.hProcess);
  if (error != KV_OK) return KV_FAIL(error, "ShellExecuteExW {} {}", request.verb, request.file);
  return KV_OK;
}

KVResult Win32ProcessLauncher::Wait(LaunchedProcess process) {
  const DWORD waited = ::WaitForSingleObject(AsHandle(process), INFINITE);
  if (waited == WAIT_OBJECT_0) return KV_OK;
  if (waited == WAIT_TIMEOUT) return KV_E_TIMEOUT;
  const KVResult error = KVLastError();
  return KV_FAIL(error, "waiting for a process: WaitForSingleObject returned 0x{:X}", waited);
}

KVResult Win32ProcessLauncher::ExitCode(LaunchedProcess process, std::uint32_t& code) {
  DWORD exitCode = 0;
  KV_RETURN_IF_WIN32_FALSE(::GetExitCodeProcess(AsHandle(process), &exitCode), "GetExitCodeProcess");
  code = exitCode;
  return KV_OK;
}

void Win32ProcessLauncher::Close(LaunchedProcess process) { ::CloseHandle(AsHandle(process)); }

KVResult Win32ProcessLauncher::OwnPath(std::u16string& path) { return KVWinGetModulePathAndFileName(path); }

std::vector<std::u16string> Win32ProcessLauncher::ProgramFolders() {
  std::vector<std::u16string> folders;
  folders.push_back(SystemFolder(&::GetSystemDirectoryW));
  folders.push_back(SystemFolder(&::GetWindowsDirectoryW));
  const DWORD needed = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (needed != 0) {
    std::u16string path(needed, u'\0');
    const DWORD written = ::GetEnvironmentVariableW(L"PATH", AsWide(path), needed);
    path.resize(written < needed ? written : 0);
    for (std::u16string& folder : SearchPathFolders(path)) folders.push_back(std::move(folder));
  }
  return folders;
}

bool Win32ProcessLauncher::IsFile(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(AsWide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
