#include "commands/win32/Win32ProcessLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"

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
  if (!::CreateProcessW(nullptr, AsWide(writable), nullptr, nullptr, FALSE, hide ? CREATE_NO_WINDOW : 0, nullptr,
                        OrNull(folder), &startup, &information)) {
    return KVLastError();
  }
  const KVUniqueHandle thread(information.hThread);
  process = FromHandle(information.hProcess);
  return KV_OK;
}

KVResult Win32ProcessLauncher::ShellOpen(const std::u16string& file, const std::u16string& parameters,
                                            const std::u16string& folder) {
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", AsWide(file), OrNull(parameters), OrNull(folder), SW_SHOWDEFAULT);
  if (reinterpret_cast<INT_PTR>(result) > 32) return KV_OK;
  return ::GetLastError();  // 0 counts as success
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
  const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
  process = FromHandle(info.hProcess);
  return error;  // 0 counts as success, also after a failure
}

KVResult Win32ProcessLauncher::Wait(LaunchedProcess process) {
  switch (::WaitForSingleObject(AsHandle(process), INFINITE)) {
    case WAIT_OBJECT_0:
      return KV_OK;
    case WAIT_TIMEOUT:
      return KV_E_TIMEOUT;
    default:
      return ::GetLastError();
  }
}

KVResult Win32ProcessLauncher::ExitCode(LaunchedProcess process, std::uint32_t& code) {
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(AsHandle(process), &exitCode)) return KVLastError();
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
    for (std::size_t at = 0; at <= path.size();) {
      const std::size_t end = std::min(path.find(u';', at), path.size());
      std::u16string entry = path.substr(at, end - at);
      // Quoted entries are allowed in PATH; a relative entry would name a folder relative to wherever we are.
      if (entry.size() >= 2 && entry.front() == u'"' && entry.back() == u'"') entry = entry.substr(1, entry.size() - 2);
      if (entry.size() >= 3 && (entry[1] == u':' || (entry[0] == u'\\' && entry[1] == u'\\'))) {
        folders.push_back(std::move(entry));
      }
      at = end + 1;
    }
  }
  return folders;
}

bool Win32ProcessLauncher::IsFile(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(AsWide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
