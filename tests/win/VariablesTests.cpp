// Path resolution and variable expansion against the real system.
#include <gtest/gtest.h>
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "commands/ProgramFolder.h"
#include "commands/win32/SystemVariables.h"
#include "support/Text.h"
#include "tests/win/Wow64Only.h"

using namespace kestrova;

namespace {

std::u16string Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length < MAX_PATH ? std::u16string(FromWide(value)) : std::u16string();
}

std::u16string Resolved(const std::u16string& configured) {
  std::u16string absolute;
  EXPECT_EQ(ResolvePath(absolute, configured), KV_OK) << Utf16ToUtf8(configured);
  return absolute;
}

}  // namespace

TEST(ResolvePath, VariablesEnvironmentAndKnownFolders) {
  const std::u16string temp = Environment(L"TEMP");
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(Resolved(u"%TEMP%\\x"), temp + u"\\x");

  PWSTR localAppData = nullptr;
  ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData), S_OK);
  const std::u16string expected = std::u16string(FromWide(localAppData)) + u"\\V";
  ::CoTaskMemFree(localAppData);
  EXPECT_EQ(Resolved(u"${FOLDERID_LocalAppData}\\V"), expected);

  const std::u16string savedFolder = ProgramFolder();
  SetProgramFolder(u"C:\\Downloads\\");
  EXPECT_EQ(Resolved(u"${SfxPath}\\setup"), u"C:\\Downloads\\setup");
  SetProgramFolder(savedFolder);
}

TEST(ResolvePath, ProgramFilesIsTheProcessOwnFolderUnderWow64) {
  KV_SKIP_UNLESS_WOW64();
  // This 32-bit process sees the x86 folder as %ProgramFiles%, and so does the variable.
  const std::u16string programFiles = Environment(L"ProgramFiles");
  ASSERT_NE(programFiles, Environment(L"ProgramW6432"));
  EXPECT_EQ(Resolved(u"${ProgramFilesPath}\\V"), programFiles + u"\\V");
}

TEST(ResolvePath, RelativePathsAndTheLengthLimit) {
  wchar_t saved[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, saved);
  const std::u16string temp = Environment(L"TEMP");
  ASSERT_TRUE(::SetCurrentDirectoryW(AsWide(temp)));
  EXPECT_EQ(Resolved(u"sub\\.\\dir\\..\\target"), temp + u"\\sub\\target");
  ::SetCurrentDirectoryW(saved);

  // The limit itself is checked natively; a path longer than the system's own buffers still ends in it.
  std::u16string absolute;
  EXPECT_EQ(ResolvePath(absolute, u"C:\\" + std::u16string(40000, u'a')), KV_E_TARGET_TOO_LONG);
}
