// kv-exitwith [CODE] [--sleep MS] [ANYTHING...]: a stand-in for launched commands in end-to-end cases.
// Appends "cwd=<current directory>|cmdline=<command line>" to the file that KVSFX_EXITWITH_LOG names (UTF-8,
// one line, created when missing), sleeps MS milliseconds when asked, and exits with CODE (decimal or 0x-hex,
// 32 bits; none: 0). Further arguments are only recorded. A bad number exits with 87 (invalid parameter).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>

#include "support/win32/UniqueResource.h"

namespace {

constexpr int kBadArguments = ERROR_INVALID_PARAMETER;

// Decimal digits, or 0x/0X and hexadecimal digits; the whole text, at most 0xFFFFFFFF.
bool ParseCode(const wchar_t* text, DWORD& value) {
  const bool hex = text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  const wchar_t* digits = hex ? text + 2 : text;
  if (*digits == L'\0') return false;
  unsigned long long number = 0;
  for (const wchar_t* p = digits; *p != L'\0'; ++p) {
    unsigned digit = 0;
    if (*p >= L'0' && *p <= L'9') {
      digit = static_cast<unsigned>(*p - L'0');
    } else if (hex && std::iswxdigit(static_cast<wint_t>(*p))) {
      digit = static_cast<unsigned>(std::towlower(static_cast<wint_t>(*p)) - L'a' + 10);
    } else {
      return false;
    }
    number = number * (hex ? 16u : 10u) + digit;
    if (number > 0xFFFFFFFFull) return false;
  }
  value = static_cast<DWORD>(number);
  return true;
}

std::wstring CurrentDirectory() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

// One write at the end of the file, so that lines of concurrent copies never mix. 0 or the Win32 error.
DWORD AppendLine(const std::wstring& path, const std::wstring& line) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), size, nullptr, nullptr);
  utf8 += '\n';
  const kestrova::KVUniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    const DWORD error = AppendLine(logPath, L"cwd=" + CurrentDirectory() + L"|cmdline=" + ::GetCommandLineW());
    if (error != 0) std::fprintf(stderr, "kv-exitwith: cannot append to the log (error %lu)\n", error);
  }
  if (sleepMs > 0) ::Sleep(sleepMs);
  return static_cast<int>(code);
}
