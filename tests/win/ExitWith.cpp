// kv-exitwith [CODE] [--sleep MS] [ANYTHING...]: a stand-in for launched commands in end-to-end cases.
// Appends "cwd=<current directory>|cmdline=<command line>" to the file that KVSFX_EXITWITH_LOG names (UTF-8,
// one line, created when missing), sleeps MS milliseconds when asked, and exits with CODE (a number as the
// installer reads one, 32 bits; none: 0). Further arguments are only recorded. A bad number exits with 87
// (invalid parameter).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "commands/Parameters.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

constexpr int kBadArguments = ERROR_INVALID_PARAMETER;

bool ParseCode(const wchar_t* text, DWORD& value) {
  std::uint32_t number = 0;
  if (ParseNumber(FromWide(text), number) != KV_OK) return false;
  value = number;
  return true;
}

// One write at the end of the file, so that lines of concurrent copies never mix. 0 or the Win32 error.
DWORD AppendLine(const std::wstring& path, const std::u16string& line) {
  const std::string utf8 = Utf16ToUtf8(line) + '\n';
  const KVUniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr)) {
    return ::GetLastError();
  }
  return written == utf8.size() ? 0 : ERROR_WRITE_FAULT;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD code = 0;
  DWORD sleepMs = 0;
  bool haveCode = false;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--sleep") == 0) {
      if (i + 1 >= argc || !ParseCode(argv[++i], sleepMs)) {
        std::fputs("kv-exitwith: --sleep needs a number of milliseconds\n", stderr);
        return kBadArguments;
      }
    } else if (!haveCode) {
      if (!ParseCode(argv[i], code)) {
        std::fprintf(stderr, "kv-exitwith: not an exit code: %ls\n", argv[i]);
        return kBadArguments;
      }
      haveCode = true;
    }
  }

  std::wstring logPath(32768, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(L"KVSFX_EXITWITH_LOG", logPath.data(),
                                                 static_cast<DWORD>(logPath.size()));
  if (length > 0 && length < logPath.size()) {
    logPath.resize(length);
    std::wstring folder(32768, L'\0');
    folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    const DWORD error = AppendLine(logPath, u"cwd=" + std::u16string(FromWide(folder.c_str())) + u"|cmdline=" +
                                                std::u16string(FromWide(::GetCommandLineW())));
    if (error != 0) std::fprintf(stderr, "kv-exitwith: cannot append to the log (error %lu)\n", error);
  }
  if (sleepMs > 0) ::Sleep(sleepMs);
  return static_cast<int>(code);
}
