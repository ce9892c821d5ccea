// The builder tool's system layer on Windows.
#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include "builder/Platform.h"
#include "builder/FailureMessage.h"
#include "builder/VersionResource.h"
#include "support/Formatter.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using kestrova::AsWide;
using kestrova::FromWide;
using kestrova::KV_OK;
using kestrova::KVFormat;
using kestrova::Utf16ToUtf8;
using kestrova::Utf8ToUtf16;

namespace kestrova {

namespace {

std::string Narrow(const wchar_t* text) { return Utf16ToUtf8(FromWide(text)); }

bool IsFile(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(AsWide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// One argument as the C run-time's command-line splitting gives it back.
void AppendQuoted(std::u16string& line, const std::u16string& argument) {
  if (!line.empty()) line += u' ';
  if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string::npos) {
    line += argument;
    return;
  }
  line += u'"';
  std::size_t backslashes = 0;
  for (const char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, u'\\');
  line += u'"';
}

KVResult LastError(std::string& error, const std::string& what) {
  const KVResult code = kestrova::KVLastError();
  return Fail(error, code, KVFormat("{} (error {})", what, code));
}

}  // namespace

std::string ProgramDirectory() {
  std::u16string buffer(MAX_PATH, u'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, AsWide(buffer), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const std::size_t separator = buffer.find_last_of(u"\\/");
  return separator == std::u16string::npos ? std::string() : Utf16ToUtf8(buffer.substr(0, separator));
}

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

std::string FindOnPath(const std::vector<std::string>& names) {
  const DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size == 0) return {};
  std::u16string path(size, u'\0');
  path.resize(::GetEnvironmentVariableW(L"PATH", AsWide(path), size));
  for (const std::string& name : names) {
    const std::u16string file = Utf8ToUtf16(name) + (name.find('.') == std::string::npos ? u".exe" : u"");
    for (std::size_t begin = 0; begin <= path.size();) {
      std::size_t end = path.find(u';', begin);
      if (end == std::u16string::npos) end = path.size();
      std::u16string folder = path.substr(begin, end - begin);
      if (!folder.empty()) {
        if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
        if (IsFile(folder + file)) return Utf16ToUtf8(folder + file);
      }
      begin = end + 1;
    }
  }
  return {};
}

KVResult RunProgram(const std::vector<std::string>& argv, std::string* output, int& exitCode, std::string& error) {
  std::u16string commandLine;
  for (const std::string& a : argv) AppendQuoted(commandLine, Utf8ToUtf16(a));
  const std::u16string program = Utf8ToUtf16(argv[0]);

  KVUniqueHandle readEnd;
  KVUniqueHandle writeEnd;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE pipeRead = nullptr;
    HANDLE pipeWrite = nullptr;
    if (!::CreatePipe(&pipeRead, &pipeWrite, &inherit, 0)) return LastError(error, "cannot create a pipe");
    readEnd.reset(pipeRead);
    writeEnd.reset(pipeWrite);
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  }
  std::fflush(stdout);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(AsWide(program), AsWide(commandLine), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
    return LastError(error, "cannot run " + argv[0]);
  }
  const KVUniqueHandle process(info.hProcess);
  const KVUniqueHandle thread(info.hThread);
  if (output != nullptr) {
    writeEnd.reset();  // the child holds its own copy; reading ends when it closes it
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) && read != 0) output->append(buffer, read);
  }
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) return LastError(error, "cannot read the exit code of " + argv[0]);
  exitCode = static_cast<int>(code);
  return KV_OK;
}

KVResult RenameReplacing(const std::string& from, const std::string& to, std::string& error) {
  if (!::MoveFileExW(AsWide(Utf8ToUtf16(from)), AsWide(Utf8ToUtf16(to)), MOVEFILE_REPLACE_EXISTING)) {
    return LastError(error, KVFormat("cannot rename {} to {}", from, to));
  }
  return KV_OK;
}

KVResult CopyModificationTimeClamped(const std::string& from, const std::string& to, std::int64_t notAfter,
                                     std::string& error) {
  // Folders open only with backup semantics; links are opened themselves.
  const auto open = [](const std::string& path, DWORD access) {
    return KVUniqueFile(::CreateFileW(AsWide(Utf8ToUtf16(path)), access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  };
  const KVUniqueFile source = open(from, FILE_READ_ATTRIBUTES);
  FILETIME time = {};
  if (!source || !::GetFileTime(source.get(), nullptr, nullptr, &time)) {
    return LastError(error, "cannot read the time of " + from);
  }
  const std::uint64_t limit = FileTimeFromUnixSeconds(notAfter);
  if ((std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) > limit) {
    time = {static_cast<DWORD>(limit), static_cast<DWORD>(limit >> 32)};
  }
  const KVUniqueFile target = open(to, FILE_WRITE_ATTRIBUTES);
  if (!target || !::SetFileTime(target.get(), nullptr, &time, &time)) {
    return LastError(error, "cannot set the time of " + to);
  }
  return KV_OK;
}

int CurrentProcessId() { return static_cast<int>(::GetCurrentProcessId()); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  const KVUniqueLocalMemory list(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!list) return std::vector<std::string>(argv, argv + argc);
  const wchar_t* const* arguments = static_cast<const wchar_t* const*>(list.get());
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(Narrow(arguments[i]));
  return result;
}

}  // namespace kestrova
