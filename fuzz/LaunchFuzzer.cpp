// Launch commands from arbitrary texts: variable and environment expansion of the executable and arguments, the
// program lookup, the calls the launcher receives, the relaunch line, and the bookkeeping of the results.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/RunLaunchCommand.h"
#include "tests/native/LaunchFakes.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Results from the input's last byte; checks the shape of what it is handed.
struct Launcher final : ProcessLauncher {
  std::uint8_t script = 0;
  kestrova::KVResult StartProcess(const std::u16string& line, const std::u16string&, bool,
                                  LaunchedProcess& process) override {
    Check(!line.empty() && line.front() == u'"');
    process = (script & 1) != 0 ? 1 : 0;
    return (script & 2) != 0 ? 5 : kestrova::KV_OK;
  }
  kestrova::KVResult ShellOpen(const std::u16string&, const std::u16string&, const std::u16string&) override {
    return (script & 4) != 0 ? 2 : kestrova::KV_OK;
  }
  kestrova::KVResult ShellOpenEx(const ShellExecuteRequest& request, LaunchedProcess& process) override {
    Check(request.verb != u"runas" || request.parameters.rfind(u"--internal 1 --target \"", 0) == 0);
    process = request.keepProcess ? 1 : 0;
    return (script & 8) != 0 ? 1223 : kestrova::KV_OK;
  }
  kestrova::KVResult Wait(LaunchedProcess process) override { return process != 0 ? kestrova::KV_OK : 6; }
  kestrova::KVResult ExitCode(LaunchedProcess, std::uint32_t& code) override {
    return code = script * 0x01010101u, kestrova::KV_OK;
  }
  void Close(LaunchedProcess process) override { Check(process != 0); }
  kestrova::KVResult OwnPath(std::u16string& path) override { return path = u"C:\\setup.exe", kestrova::KV_OK; }
  std::vector<std::u16string> ProgramFolders() override { return {u"C:\\Windows\\system32"}; }
  bool IsFile(const std::u16string& path) override { return path.size() % 3 != 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // UTF-16 texts separated by zero units: executable, arguments, target, tail, language, result name.
  std::vector<std::u16string> texts(1);
  for (std::size_t i = 0; i + 1 < size - 1; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0 && texts.size() < 6) {
      texts.emplace_back();
    } else {
      texts.back() += unit;
    }
  }
  texts.resize(6);
  const std::uint8_t flags = data[size - 1];

  LaunchCommand command;
  command.useCreateProcess = (flags & 0x10) != 0;
  command.executable = texts[0];
  command.arguments = texts[1];
  command.hide = (flags & 0x20) != 0;
  command.wait = (flags & 0x40) != 0;
  command.asAdmin = (flags & 0x80) != 0;
  command.language = texts[4];
  command.resultName = texts[5];

  ParameterStore store;
  store.Insert(kSfxExitCodeName, u"0");
  FixedFacts facts;
  Launcher launcher;
  launcher.script = flags;
  InertActions actions;
  actions.store = &store;
  LaunchContext context{store, facts, launcher, actions, texts[3]};
  const kestrova::KVResult result = RunLaunchCommand(command, texts[2], context);
  if (result == kestrova::KV_OK && !command.resultName.empty()) Check(store.Find(command.resultName) != nullptr);
  Check(store.Find(kSfxExitCodeName) != nullptr);

  (void)DescribeLaunchCall(command, u"C:\\setup.exe", texts[3]);
  Check(RelaunchParameters(texts[2], texts[4], texts[3]).rfind(u"--internal 1 --target \"", 0) == 0);
  return 0;
}
