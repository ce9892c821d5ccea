// Starting, waiting for and reading launched processes with CreateProcessW, ShellExecuteW and ShellExecuteExW.
#pragma once
#include "commands/ProcessLauncher.h"

class Win32ProcessLauncher final : public ProcessLauncher {
 public:
  kestrova::KVResult StartProcess(const std::u16string& commandLine, const std::u16string& folder, bool hide,
                                   LaunchedProcess& process) override;
  kestrova::KVResult ShellOpen(const std::u16string& file, const std::u16string& parameters,
                                  const std::u16string& folder) override;
  kestrova::KVResult ShellOpenEx(const ShellExecuteRequest& request, LaunchedProcess& process) override;
  kestrova::KVResult Wait(LaunchedProcess process) override;
  kestrova::KVResult ExitCode(LaunchedProcess process, std::uint32_t& code) override;
  void Close(LaunchedProcess process) override;
  kestrova::KVResult OwnPath(std::u16string& path) override;
  std::vector<std::u16string> ProgramFolders() override;
  bool IsFile(const std::u16string& path) override;
};
