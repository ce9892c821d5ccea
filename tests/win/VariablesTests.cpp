// Path resolution and variable expansion against the real system.
#include <gtest/gtest.h>
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/ProcessValues.h"
#include "commands/KnownFolders.h"
#include "commands/win32/SystemVariables.h"
#include "support/ErrorCodes.h"
#include "support/Text.h"

using namespace kestrova;

namespace {

std::u16string Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::u16string(FromWide(value)) : std::u16string();
}

std::u16string KnownFolderPath(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::u16string result;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) result = FromWide(path);
  ::CoTaskMemFree(path);
  return result;
}

std::u16string Resolved(const std::u16string& configured) {
  std::u16string absolute = u"unchanged";
  const KVResult result = ResolvePath(absolute, configured);
  EXPECT_EQ(result, KV_OK) << Utf16ToUtf8(configured);
  return absolute;
}

// Restores the current directory at the end of a test.
class CurrentDirectory {
 public:
  CurrentDirectory() { ::GetCurrentDirectoryW(MAX_PATH, saved_); }
  ~CurrentDirectory() { ::SetCurrentDirectoryW(saved_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  wchar_t saved_[MAX_PATH] = {};
};

}  // namespace

TEST(ResolvePath, ExpandsEnvironmentVariablesAndKnownFolders) {
  const std::u16string temp = Environment(L"TEMP");
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(Resolved(u"%TEMP%\\x"), temp + u"\\x");

  const std::u16string localAppData = KnownFolderPath(FOLDERID_LocalAppData);
  ASSERT_FALSE(localAppData.empty());
  EXPECT_EQ(Resolved(u"${FOLDERID_LocalAppData}\\Vendor\\App"), localAppData + u"\\Vendor\\App");
}

TEST(ResolvePath, ProgramFilesPathIsTheNativeFolderForThisWow64Process) {
  const std::u16string native = Environment(L"ProgramW6432");
  ASSERT_FALSE(native.empty());
  ASSERT_NE(native, Environment(L"ProgramFiles"));  // the 32-bit folder this process sees
  EXPECT_EQ(Resolved(u"${ProgramFilesPath}\\Vendor"), native + u"\\Vendor");
}

TEST(ResolvePath, SfxPathAndRelativePaths) {
  const std::u16string savedFolder = ProgramFolder();
  SetProgramFolder(u"C:\\Downloads\\");
  EXPECT_EQ(Resolved(u"${SfxPath}\\setup"), u"C:\\Downloads\\setup");
  SetProgramFolder(savedFolder);

  const CurrentDirectory restore;
  const std::u16string temp = Environment(L"TEMP");
  ASSERT_TRUE(::SetCurrentDirectoryW(AsWide(temp)));
  EXPECT_EQ(Resolved(u"sub\\.\\dir\\..\\target"), temp + u"\\sub\\target");
  EXPECT_EQ(Resolved(u"."), temp);
}

TEST(ResolvePath, RejectsAnAbsolutePathOver248Characters) {
  const std::u16string base = u"C:\\";
  EXPECT_EQ(Resolved(base + std::u16string(245, u'a')).size(), 248u);

  std::u16string absolute = u"unchanged";
  EXPECT_EQ(ResolvePath(absolute, base + std::u16string(246, u'a')), KV_E_TARGET_TOO_LONG);
  EXPECT_EQ(ResolvePath(absolute, base + std::u16string(40000, u'a')), KV_E_TARGET_TOO_LONG);
  EXPECT_EQ(absolute, u"unchanged");
}

// The name table against the ids the platform headers publish.
TEST(KnownFolders, TableIdsMatchThePlatformIds) {
  const struct {
    const char16_t* name;
    const GUID* id;
  } cases[] = {
      {u"FOLDERID_LocalAppData", &FOLDERID_LocalAppData},   {u"FOLDERID_Documents", &FOLDERID_Documents},
      {u"FOLDERID_Fonts", &FOLDERID_Fonts},                 {u"FOLDERID_RecycleBinFolder", &FOLDERID_RecycleBinFolder},
      {u"FOLDERID_SEARCH_MAPI", &FOLDERID_SEARCH_MAPI},     {u"FOLDERID_Windows", &FOLDERID_Windows},
      {u"FOLDERID_AccountPictures", &FOLDERID_AccountPictures},
  };
  for (const auto& c : cases) {
    const KnownFolder* folder = FindKnownFolder(c.name);
    ASSERT_NE(folder, nullptr) << Utf16ToUtf8(c.name);
    static_assert(sizeof(KnownFolderId) == sizeof(GUID));
    EXPECT_EQ(std::memcmp(&folder->id, c.id, sizeof(GUID)), 0) << Utf16ToUtf8(c.name);
  }
}
