// kv-runexit [--timeout SECONDS] PROGRAM [ARGUMENTS...]   quotes each argument as given
// kv-runexit [--timeout SECONDS] --raw "COMMAND LINE"     uses the command line exactly as given
// Waits for the program and prints "exit=0xXXXXXXXX (decimal)"; returns 0, or 255 if it could not run. A program
// still running after the timeout is terminated: "exit=timeout", return 254.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "builder/WindowsCommandLine.h"
#include "support/Text.h"

int wmain(int argc, wchar_t** argv) {
  DWORD timeoutMs = INFINITE;
  if (argc >= 3 && std::wcscmp(argv[1], L"--timeout") == 0) {
    timeoutMs = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10) * 1000);
    argv += 2;
    argc -= 2;
  }
  if (argc < 2) {
    std::fputs("usage: kv-runexit [--timeout SECONDS] PROGRAM [ARGUMENTS...] | kv-runexit [--timeout SECONDS] --raw "
               "\"COMMAND LINE\"\n", stderr);
    return 255;
  }
  std::wstring commandLine;
  if (std::wcscmp(argv[1], L"--raw") == 0 && argc == 3) {
    commandLine = argv[2];
  } else {
    // Each argument quoted so that CommandLineToArgvW gives it back unchanged.
    std::vector<std::u16string> arguments;
    for (int i = 2; i < argc; ++i) arguments.emplace_back(kestrova::FromWide(argv[i]));
    commandLine = kestrova::AsWide(kestrova::JoinCommandLine(kestrova::FromWide(argv[1]), arguments));
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    std::fprintf(stderr, "kv-runexit: cannot start (error %lu)\n", ::GetLastError());
    return 255;
  }
  ::CloseHandle(process.hThread);
  if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_TIMEOUT) {
    ::TerminateProcess(process.hProcess, WAIT_TIMEOUT);
    ::WaitForSingleObject(process.hProcess, 5000);
    ::CloseHandle(process.hProcess);
    std::puts("exit=timeout");
    std::fflush(stdout);
    return 254;
  }
  DWORD exitCode = 0;
  const BOOL read = ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hProcess);
  if (!read) {
    std::fprintf(stderr, "kv-runexit: cannot read the exit code (error %lu)\n", ::GetLastError());
    return 255;
  }
  std::printf("exit=0x%08lX (%lu)\n", exitCode, exitCode);
  std::fflush(stdout);
  return 0;
}
