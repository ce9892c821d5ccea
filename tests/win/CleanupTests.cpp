// The cleanup on real folders whose files someone else holds open, with and without delete sharing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "extract/win32/DeleteExtractedFolder.h"
#include "extract/win32/FolderRemoval.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

std::u16string NewFolder(const char16_t* name) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::u16string folder = std::u16string(FromWide(temp)) + name + u"-" +
                                Utf8ToUtf16(std::to_string(::GetCurrentProcessId()));
  ::CreateDirectoryW(AsWide(folder), nullptr);
  return folder;
}

void MakeFile(const std::u16string& path) {
  const KVUniqueFile file(::CreateFileW(AsWide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file);
}

HANDLE Hold(const std::u16string& path, DWORD share) {
  return ::CreateFileW(AsWide(path), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Exists(const std::u16string& path) { return ::GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES; }

DeleteReport Clean(const std::u16string& folder) {
  DeleteReport report;
  EXPECT_EQ(DeleteExtractedFolder(folder, &report), KV_OK);
  return report;
}

}  // namespace

TEST(Cleanup, FileHeldWithoutDeleteSharingStaysWithItsFoldersAndNothingIsRetried) {
  const std::u16string folder = NewFolder(u"kv-held");
  ::CreateDirectoryW(AsWide(folder + u"\\sub"), nullptr);
  MakeFile(folder + u"\\sub\\held.txt");
  MakeFile(folder + u"\\other.txt");
  {
    const KVUniqueFile held(Hold(folder + u"\\sub\\held.txt", FILE_SHARE_READ));
    ASSERT_TRUE(held);
    const DeleteReport report = Clean(folder);
    EXPECT_EQ(report.treeResult, static_cast<KVResult>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(report.failedFiles, 1u);
    EXPECT_EQ(report.retryPasses, 0u);
    EXPECT_TRUE(Exists(folder + u"\\sub\\held.txt"));
    EXPECT_FALSE(Exists(folder + u"\\other.txt"));
  }
  Clean(folder);
  EXPECT_FALSE(Exists(folder));
}

TEST(Cleanup, FilesDeletedWhileHeldWithDeleteSharingAreWaitedForUntilTheyGo) {
  const std::u16string folder = NewFolder(u"kv-pending");
  ::CreateDirectoryW(AsWide(folder + u"\\a"), nullptr);
  MakeFile(folder + u"\\a\\x.txt");
  MakeFile(folder + u"\\b.txt");
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  KVUniqueHandle first(Hold(folder + u"\\a\\x.txt", kShareAll));
  KVUniqueHandle second(Hold(folder + u"\\b.txt", kShareAll));
  ASSERT_TRUE(first && second);
  std::thread closer([&] {  // the holder lets go a little later
    ::Sleep(400);  // (in-process: sharing works per handle, as between processes)
    first.reset();
    second.reset();
  });
  const DeleteReport report = Clean(folder);
  closer.join();
  EXPECT_EQ(report.treeResult, KV_E_FOLDER_NOT_EMPTY);
  EXPECT_EQ(report.pendingFiles, 2u);
  EXPECT_GE(report.retryPasses, 1u);
  EXPECT_LT(report.retryPasses, 100u);  // done long before the 5 s limit
  EXPECT_FALSE(Exists(folder));
}

TEST(Cleanup, MissingTargetAndVanishedFilesAreNotErrors) {
  const DeleteReport report = Clean(u"C:\\kv-no-such-folder");
  EXPECT_EQ(report.treeResult, KV_OK);
  EXPECT_EQ(report.retryPasses, 0u);
  FileDeletion outcome = FileDeletion::Pending;
  EXPECT_EQ(DeleteOneFile(u"C:\\kv-no-such-folder\\no-such-file.txt", outcome), KV_OK);
  EXPECT_EQ(outcome, FileDeletion::Gone);
}
