// The system calls that start and watch a launched process, behind an interface so that the rules around them
// run without Windows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/ErrorCodes.h"
#include "support/UniqueResource.h"

// A process handle as the launcher hands it out; 0 is none.
using LaunchedProcess = std::uintptr_t;

struct ShellExecuteRequest {
  std::u16string verb;        // "open" or "runas"
  std::u16string file;
  std::u16string parameters;  // passed only when not empty
  std::u16string directory;   // passed only when not empty
  bool hidden = false;        // SW_HIDE, else SW_SHOWDEFAULT
  bool keepProcess = false;   // SEE_MASK_NOCLOSEPROCESS: `process` receives the handle
};

class ProcessLauncher {
 public:
  // CreateProcessW without an application name. 0 or the system error; `process` is 0 when the system gave no
  // handle.
  virtual kestrova::KVResult StartProcess(const std::u16string& commandLine, const std::u16string& folder, bool hide,
                                           LaunchedProcess& process) = 0;
  // ShellExecuteW with the verb "open": 0, or the error of a result of 32 or less (never 0).
  virtual kestrova::KVResult ShellOpen(const std::u16string& file, const std::u16string& parameters,
                                          const std::u16string& folder) = 0;
  // ShellExecuteExW: 0, or the error of the failure (never 0); 1223 when the elevation prompt was declined.
  virtual kestrova::KVResult ShellOpenEx(const ShellExecuteRequest& request, LaunchedProcess& process) = 0;
  // Waits without time-out: 0, KV_E_TIMEOUT, or the system error.
  virtual kestrova::KVResult Wait(LaunchedProcess process) = 0;
  // GetExitCodeProcess: 0 with the code, or the system error.
  virtual kestrova::KVResult ExitCode(LaunchedProcess process, std::uint32_t& code) = 0;
  virtual void Close(LaunchedProcess process) = 0;
  // The full path of the running installer.
  virtual kestrova::KVResult OwnPath(std::u16string& path) = 0;
  // Where a bare program name is looked for after the working folder: the system folder, the Windows folder,
  // then the folders of PATH.
  virtual std::vector<std::u16string> ProgramFolders() = 0;
  virtual bool IsFile(const std::u16string& path) = 0;

 protected:
  ~ProcessLauncher() = default;
};

// Owns a launched process: the launcher that started it closes it on every path.
struct LaunchedProcessTraits {
  struct Type {
    ProcessLauncher* launcher;
    LaunchedProcess process;
    bool operator!=(const Type& other) const noexcept { return process != other.process; }
  };
  static constexpr Type Invalid() noexcept { return {nullptr, 0}; }
  static void Close(Type owned) noexcept { owned.launcher->Close(owned.process); }
};
using UniqueLaunchedProcess = kestrova::KVUniqueResource<LaunchedProcessTraits>;
