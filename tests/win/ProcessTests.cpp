// Whole stub processes: exit codes, the error message box and crash dumps.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Text.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

struct ProcessOutcome {
  DWORD exitCode = 0;
  std::wstring caption;  // of the message box the process showed, if any
  std::wstring message;
};

// A visible dialog-class window (a message box) of the process, or null.
HWND MessageBoxOf(DWORD processId) {
  HWND box = nullptr;
  while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(box, &owner);
    if (owner == processId && ::IsWindowVisible(box)) return box;
  }
  return nullptr;
}

// Runs the scripted stub with the plan, confirms any message box it shows (remembering its texts) and waits.
ProcessOutcome RunStub(const std::string& plan) {
  ::SetEnvironmentVariableW(L"KVSFX_TEST_PLAN", AsWide(Utf8ToUtf16(plan)));
  const char* path = std::getenv("KVSFX_SCRIPTED_STUB");
  const std::wstring program = path != nullptr ? AsWide(Utf8ToUtf16(path)) : L"kv-sfxstub-scripted.exe";
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ProcessOutcome outcome;
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    ADD_FAILURE() << "cannot start the stub, error " << ::GetLastError();
    return outcome;
  }
  const KVUniqueHandle thread(process.hThread), owned(process.hProcess);
  for (int waited = 0; ::WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
    if (const HWND box = MessageBoxOf(process.dwProcessId)) {
      wchar_t text[512] = {};
      ::GetWindowTextW(box, text, 512);
      outcome.caption = text;
      ::GetDlgItemTextW(box, 0xFFFF, text, 512);
      outcome.message = text;
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    if (waited > 60000) {
      ::TerminateProcess(process.hProcess, 0xDEAD);
      ADD_FAILURE() << "the stub did not end";
    }
  }
  ::GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  return outcome;
}

}  // namespace

// Messages per code and the exit-code rule are checked natively; here the whole process: all 32 bits of its
// code, and the titled box only for a failure that is not silent.
TEST(StubProcess, ExitCodeRuleAndMessages) {
  const struct {
    const char* plan;
    DWORD exitCode;
    const wchar_t *caption, *message;  // empty: no message box
  } cases[] = {
      {"set:SfxExitCode=0xE0434352", 0xE0434352, L"", L""},
      {"fail:267;!set:SfxExitCode=0", 267, L" Self Extractor", L"The target path is invalid."},
      {"fail:0xEE000005", 0xEE000005, L"", L""},
  };
  for (const auto& c : cases) {
    const ProcessOutcome outcome = RunStub(c.plan);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.plan;
    EXPECT_EQ(outcome.caption, c.caption) << c.plan;
    EXPECT_EQ(outcome.message, c.message) << c.plan;
  }
}

// Removes the stub's crash dumps from the temporary folder (full-memory dumps are large); gives what it found.
std::vector<WIN32_FIND_DATAW> TakeDumps() {
  wchar_t temp[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%TEMP%\\", temp, MAX_PATH);
  std::vector<WIN32_FIND_DATAW> dumps;
  WIN32_FIND_DATAW found = {};
  const KVUniqueFindHandle search(::FindFirstFileW((std::wstring(temp) + L"kv-sfxstub_*.dmp").c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.get(), &found)) {
    dumps.push_back(found);
    ::DeleteFileW((std::wstring(temp) + found.cFileName).c_str());
  }
  return dumps;
}

TEST(StubProcess, UnhandledExceptionLeavesADumpInTemp) {
  TakeDumps();
  EXPECT_EQ(RunStub("crash").exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  const std::vector<WIN32_FIND_DATAW> dumps = TakeDumps();
  ASSERT_EQ(dumps.size(), 1u) << "no dump in the temporary folder";
  EXPECT_EQ(std::wstring(dumps[0].cFileName).size(), std::wstring(L"kv-sfxstub_20260101000000.dmp").size());
  EXPECT_GT(dumps[0].nFileSizeLow, 0u);
}
