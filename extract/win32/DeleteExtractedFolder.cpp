#include "extract/win32/DeleteExtractedFolder.h"

#include <windows.h>

#include "extract/CleanupRetry.h"
#include "extract/FullPath.h"
#include "extract/win32/FolderRemoval.h"
#include "commands/win32/SystemVariables.h"
#include "support/Failure.h"
#include "support/Log.h"
#include "support/Text.h"

using namespace kestrova;

namespace {

// The retry on the performance counter and the real folders.
class FolderRetryHost final : public CleanupRetryHost {
 public:
  explicit FolderRetryHost(const std::u16string& folder) : folder_(folder) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);  // never fails on XP and later
    frequency_ = static_cast<std::uint64_t>(frequency.QuadPart);
  }

  std::uint64_t NowMs() override {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    return ticks / frequency_ * 1000 + ticks % frequency_ * 1000 / frequency_;
  }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
  KVResult RemoveEmptyFolders(std::uint32_t& remaining) override {
    remaining = 0;
    return ::RemoveEmptyFolders(folder_, &remaining);
  }

 private:
  const std::u16string& folder_;
  std::uint64_t frequency_ = 1;
};

void DeleteTarget(const std::u16string& target, DeleteReport& report) {
  std::u16string resolved;
  if (const KVResult r = ResolvePath(resolved, target); r != KV_OK) {
    KV_FAIL(r, "cleanup: resolving \"{}\"; nothing deleted", target);
    return;
  }
  if (IsRootFolder(resolved)) {
    KVLogEvent("cleanup: {} is a drive or share root and is never deleted", resolved);
    return;
  }
  // The extended-length form reaches items deeper than 260 characters, which the extraction can write.
  const std::u16string folder = ToExtendedLengthPath(WithoutTrailingSeparators(resolved));
  const DWORD attributes = ::GetFileAttributesW(AsWide(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    KVLogEvent("cleanup: {} is gone or out of reach (0x{:08X})", resolved, ::GetLastError());
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A target that is a link: the link goes, what it points to stays.
    const bool removed = ::RemoveDirectoryW(AsWide(folder)) != FALSE;
    KVLogEvent("cleanup: {} is a link, removed as a link: {}", resolved, removed ? "done" : "failed");
    return;
  }

  DeletionCounts counts;
  report.treeResult = DeleteDirectoryTree(folder, &counts);
  report.pendingFiles = counts.pendingFiles;
  report.failedFiles = counts.failedFiles;
  report.failedFolders = counts.failedFolders;
  if (report.treeResult == KV_E_FOLDER_NOT_EMPTY) {
    FolderRetryHost host(folder);
    report.retryPasses = RetryRemovingFolders(host);
  }
  const bool gone = ::GetFileAttributesW(AsWide(folder)) == INVALID_FILE_ATTRIBUTES;
  KVLogEvent("cleanup of {}: {} (0x{:08X}; {} files pending deletion, {} files and {} folders could not be "
             "deleted, {} retry passes)",
             resolved, gone ? "deleted" : "not completely deleted", report.treeResult, report.pendingFiles,
             report.failedFiles, report.failedFolders, report.retryPasses);
}

}  // namespace

KVResult DeleteExtractedFolder(const std::u16string& target, DeleteReport* report) {
  DeleteReport local;
  DeleteReport& out = report != nullptr ? *report : local;
  out = DeleteReport{};
  try {
    DeleteTarget(target, out);
  } catch (...) {  // out of memory: what is left stays
  }
  return KV_OK;
}
