// The process launcher on the real system: where a bare program name is found.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "commands/RunLaunchCommand.h"
#include "commands/win32/Win32ProcessLauncher.h"
#include "support/Text.h"

using namespace kestrova;

// Along PATH, a folder named like the program is passed over, and quoted and empty entries are read as Windows
// reads them.
TEST(Win32ProcessLauncher, BareNameAlongPathSkipsAFolderOfThatName) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::u16string root =
      std::u16string(FromWide(temp)) + u"kvsfx-path-" + Utf8ToUtf16(std::to_string(::GetCurrentProcessId()));
  const std::u16string decoy = root + u"\\decoy", real = root + u"\\real";
  for (const std::u16string& folder : {root, decoy, decoy + u"\\tool.exe", real}) {
    ASSERT_TRUE(::CreateDirectoryW(AsWide(folder), nullptr)) << Utf16ToUtf8(folder);
  }
  const std::u16string file = real + u"\\tool.exe";
  ::CloseHandle(::CreateFileW(AsWide(file), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  wchar_t savedPath[32768] = {};
  const DWORD savedLength = ::GetEnvironmentVariableW(L"PATH", savedPath, 32768);
  ::SetEnvironmentVariableW(L"PATH", AsWide(u";\"" + decoy + u"\";;" + real + u"\\"));

  Win32ProcessLauncher launcher;
  std::u16string program = u"tool";
  EXPECT_EQ(ResolveProgram(root + u"\\work", launcher, program), KV_OK);
  EXPECT_EQ(program, file);

  ::SetEnvironmentVariableW(L"PATH", savedLength != 0 ? savedPath : nullptr);
  ::DeleteFileW(AsWide(file));
  for (const std::u16string& folder : {decoy + u"\\tool.exe", decoy, real, root}) ::RemoveDirectoryW(AsWide(folder));
}
