#include "app/win32/CmdLineReader.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/CmdLine.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

KVResult SplitWithShell(std::u16string_view text, std::vector<std::u16string>& arguments) {
  const std::u16string terminated(text);
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(AsWide(terminated), &count);
  KV_RETURN_LAST_ERROR_IF(argv == nullptr, "splitting the command line {}", text);
  const KVUniqueLocalMemory owner(argv);
  arguments.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) arguments.emplace_back(FromWide(argv[i]));
  return KV_OK;
}

}  // namespace

KVResult ReadCommandLine(std::string& parserMessage) {
  const auto output = [&parserMessage](const std::string& message) {
    WriteCmdLineErrorToStderr(message);
    parserMessage = message;
  };
  return ParseRawCommandLine(FromWide(::GetCommandLineW()), SplitWithShell, CmdLineValues, output);
}
