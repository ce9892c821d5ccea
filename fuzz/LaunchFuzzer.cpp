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

  ScriptedActions actions;
  ParameterStore& store = actions.store;
  store.Insert(kSfxExitCodeName, u"0");
  FakeFacts facts;
  // The launcher's answers from the flags' low bits; a bare program name is found in the system folder.
  ScriptedLauncher launcher;
  const kestrova::KVResult startCodes[] = {kestrova::KV_OK, 5, 2, 1223};
  launcher.start = startCodes[(flags >> 1) & 3];
  launcher.handle = flags & 1;
  launcher.wait = (flags & 8) != 0 ? 6 : kestrova::KV_OK;
  launcher.exitCode = flags * 0x01010101u;
  launcher.files = {u"C:\\Windows\\system32\\" + texts[0], u"C:\\Windows\\system32\\" + texts[0] + u".exe"};
  LaunchContext context{store, facts, launcher, actions, texts[3]};
  const kestrova::KVResult result = RunLaunchCommand(command, texts[2], context);
  if (result == kestrova::KV_OK && !command.resultName.empty()) Check(store.Find(command.resultName) != nullptr);
  Check(store.Find(kSfxExitCodeName) != nullptr);
  Check(launcher.open == 0);
  for (const std::string& call : launcher.calls) {
    if (call.rfind("CreateProcess ", 0) == 0) Check(call.rfind("CreateProcess \"", 0) == 0);
    if (call.rfind("ShellExecuteEx runas ", 0) == 0) {
      Check(call.rfind("ShellExecuteEx runas C:\\Downloads\\setup.exe [--internal 1 --target \"", 0) == 0);
    }
  }

  (void)DescribeLaunchCall(command, u"C:\\setup.exe", texts[3]);
  Check(RelaunchParameters(texts[2], texts[4], texts[3]).rfind(u"--internal 1 --target \"", 0) == 0);
  return 0;
}
