// Facts about the running system: the process's machines and the redirection guard, the configuration's facts,
// where a crash dump goes.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
#include <vector>

#include "config/win32/ProcessMachine.h"
#include "config/win32/UserAdmin.h"
#include "config/win32/Win32SystemFacts.h"
#include "config/win32/Wow64FsRedirectionGuard.h"
#include "support/Text.h"
#include "support/win32/CrashDumpHandler.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"
#include "tests/win/PeMachine.h"
#include "tests/win/Wow64Only.h"

using namespace kestrova;

// The native machine is that of the kernel32 in the unredirected system folder, whatever the host's machine; a
// 32-bit system has no WOW64 and nothing to turn off.
TEST(Wow64FsRedirectionGuard, ShowsTheNativeSystemFolderForItsLifetime) {
  KV_SKIP_UNLESS_WOW64();
  ProcessMachines machines;
  ASSERT_EQ(QueryProcessMachines(machines), 0u);
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
  {
    const Wow64FsRedirectionGuard guard;
    ASSERT_EQ(guard.Error(), 0u);
    EXPECT_EQ(guard.IsWow64(), machines.process == IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(guard.Disabled(), guard.IsWow64());
    EXPECT_EQ(SystemKernel32Machine(), machines.native);
  }
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
}

// A primary token cannot be asked directly (ERROR_NO_IMPERSONATION_TOKEN): it is asked through a copy, and gives
// the same answer as the thread's effective token.
TEST(SystemFacts, AdministratorCheckOfEffectiveAndPrimaryTokens) {
  bool effective = false;
  ASSERT_EQ(IsUserAdmin(effective), 0u);
  KVUniqueHandle token;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, token.put()));
  bool primary = !effective;
  EXPECT_EQ(IsUserAdmin(primary, token.get()), 0u);
  EXPECT_EQ(primary, effective);
}

TEST(SystemFacts, FoldersAndNamesOfARun) {
  Win32SystemFacts facts;
  std::u16string text;

  ASSERT_EQ(facts.GetExecutablePath(text), 0u);
  EXPECT_EQ(text.substr(1, 2), u":\\");
  EXPECT_EQ(text.substr(text.find_last_of(u'\\') + 1), u"kvsfx_win_tests.exe");

  ASSERT_EQ(facts.GetTempFolder(text), 0u);
  EXPECT_EQ(text.back(), u'\\');
  const DWORD attributes = ::GetFileAttributesW(AsWide(text));
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);

  // The system writes the GUID; ours is to take all of it and nothing more. (The Windows folder and the GUID as a
  // launch run's folder: e2e_launch.)
  std::u16string other;
  ASSERT_EQ(facts.NewGuidText(text), 0u);
  ASSERT_EQ(facts.NewGuidText(other), 0u);
  EXPECT_NE(text, other);
  EXPECT_TRUE(text.size() == 38 && text.front() == u'{' && text.back() == u'}') << Utf16ToUtf8(text);
}

// The current directory as the default extract target: relative "." made absolute, with no length limit of
// its own (a folder deeper than MAX_PATH still reads; the limit belongs to where the path is used).
TEST(SystemFacts, CurrentDirectoryFullPath) {
  wchar_t saved[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, saved), 0u);
  std::u16string folder;
  ASSERT_EQ(Win32SystemFacts().GetTempFolder(folder), 0u);
  folder += u"kvsfx-cwd-" + Utf8ToUtf16(std::to_string(::GetCurrentProcessId()));
  std::vector<std::u16string> created;
  for (std::u16string path = folder; path.size() < 300; path += u"\\" + std::u16string(60, u'd')) {
    ASSERT_TRUE(::CreateDirectoryW(AsWide(path), nullptr)) << ::GetLastError();
    created.push_back(path);
  }

  std::u16string text;
  for (const std::u16string& path : {created.front(), created.back()}) {
    if (!::SetCurrentDirectoryW(AsWide(path))) {
      ADD_FAILURE() << "cannot enter a folder of " << path.size() << " characters";
      continue;
    }
    EXPECT_EQ(Win32SystemFacts().GetCurrentDirectoryFullPath(text), 0u);
    EXPECT_EQ(text, path);
  }
  ::SetCurrentDirectoryW(saved);
  for (auto it = created.rbegin(); it != created.rend(); ++it) ::RemoveDirectoryW(AsWide(*it));
}

// Where a crash dump goes, for each kind of setting (the stub's own, %TEMP%: StubProcess in ProcessTests).
TEST(CrashDump, FolderTextOfEachSetting) {
  const auto folderOf = [](const wchar_t* dumpFolder, int specialFolderId) {
    KVCrashDumpSettings settings = {L"base", {}, specialFolderId};
    std::wcsncpy(settings.dumpFolder, dumpFolder, MAX_PATH - 1);
    wchar_t folder[MAX_PATH] = {};
    EXPECT_TRUE(KVCrashDumpFolderText(settings, folder));
    return std::wstring(folder);
  };
  std::u16string program;
  ASSERT_EQ(KVWinGetModulePathAndFileName(program), 0u);
  EXPECT_EQ(folderOf(L"", -1), std::wstring(AsWide(program.substr(0, program.find_last_of(u'\\') + 1))));
  wchar_t appData[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, appData, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(folderOf(L"Dumps", CSIDL_LOCAL_APPDATA), std::wstring(appData) + L"\\Dumps");
  EXPECT_EQ(folderOf(L"", CSIDL_LOCAL_APPDATA), appData);
}
