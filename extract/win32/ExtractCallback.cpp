#include "extract/win32/ExtractCallback.h"

#include "Common/ComTry.h"
#include "Windows/FileDir.h"
#include "Windows/FileFind.h"

#include <windows.h>

#include "extract/ItemPath.h"
#include "support/Failure.h"
#include "support/Text.h"

using namespace NWindows;
using kestrova::AsWide;

namespace {

constexpr char16_t kSeparator = u'\\';

bool FullPathName(const std::u16string& path, std::u16string& fullPath) {
  const DWORD size = ::GetFullPathNameW(AsWide(path), 0, nullptr, nullptr);
  if (size == 0) return false;
  fullPath.assign(size, u'\0');
  const DWORD length = ::GetFullPathNameW(AsWide(path), size, AsWide(fullPath), nullptr);
  if (length == 0 || length >= size) return false;
  fullPath.resize(length);
  return true;
}

}  // namespace

void ExtractCallback::Init(IInArchive* archive, const std::u16string& directoryPath, std::u16string defaultName,
                           const FILETIME& defaultTime, UInt32 defaultAttributes) {
  message_.clear();
  corrupt_ = false;
  folderTimes_.clear();
  defaults_ = {std::move(defaultName), defaultTime, defaultAttributes};
  archive_ = archive;
  directoryPath_ = directoryPath;
  if (directoryPath_.empty() || directoryPath_.back() != kSeparator) directoryPath_ += kSeparator;
}

Z7_COM7F_IMF(ExtractCallback::SetTotal(UInt64)) { return S_OK; }

Z7_COM7F_IMF(ExtractCallback::SetCompleted(const UInt64*)) { return S_OK; }

Z7_COM7F_IMF(ExtractCallback::PrepareOperation(Int32 askExtractMode)) {
  extractMode_ = askExtractMode == NArchive::NExtract::NAskMode::kExtract;
  return S_OK;
}

// The joined path, folded the way Win32 folds it, still lies below the target folder (no device, no climbing).
bool ExtractCallback::LandsInsideDirectory() const {
  std::u16string root;
  std::u16string item;
  if (!FullPathName(directoryPath_, root) || !FullPathName(diskPath_, item)) return false;
  if (root.empty() || root.back() != kSeparator) root += kSeparator;
  return item.size() > root.size() && item.compare(0, root.size(), root) == 0;
}

Z7_COM7F_IMF(ExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode)) {
  COM_TRY_BEGIN
  *outStream = nullptr;
  ReleaseOutput();

  RINOK(ReadItemPath(archive_, index, defaults_, item_))
  if (askExtractMode != NArchive::NExtract::NAskMode::kExtract) return S_OK;

  RINOK(ReadItemDetails(archive_, index, defaults_, item_))
  std::vector<std::u16string_view> parts = SplitItemPath(item_.path);
  if (parts.empty()) return E_FAIL;
  diskPath_ = directoryPath_ + item_.path;
  if (!IsSafeItemPath(item_.path) || !LandsInsideDirectory()) {
    return ItemFailed(u"Unsafe item path");
  }

  if (!item_.isDirectory) parts.pop_back();
  if (!item_.isAnti) {
    std::u16string folder = directoryPath_;
    for (const std::u16string_view part : parts) {
      folder += part;
      NFile::NDir::CreateDir(AsWide(folder));  // existing folders are normal
      folder += kSeparator;
    }
  }

  if (item_.isDirectory) {
    if (item_.isAnti) {
      NFile::NDir::RemoveDir(AsWide(diskPath_));
    } else {
      folderTimes_.push_back({diskPath_, item_.time});
    }
    return S_OK;
  }
  RINOK(PrepareFile())
  if (outFile_) {
    CMyComPtr<ISequentialOutStream> stream = outFile_;
    *outStream = stream.Detach();
  }
  return S_OK;
  COM_TRY_END
}

HRESULT ExtractCallback::ItemFailed(const char16_t* message) {
  message_ = message;
  KV_FAIL(kestrova::KV_E_FAIL, "item \"{}\" into {}: {}", item_.path, diskPath_, message_);
  return E_FAIL;
}

// Replaces whatever is at the disk path: a read-only file loses the attribute first, a folder cannot be replaced.
HRESULT ExtractCallback::PrepareFile() {
  NFile::NFind::CFileInfo existing;
  if (existing.Find(AsWide(diskPath_)) && !NFile::NDir::DeleteFileAlways(AsWide(diskPath_))) {
    return ItemFailed(u"Cannot delete output file");
  }
  if (item_.isAnti) return S_OK;
  outFileSpec_ = new COutFileStream;
  outFile_ = outFileSpec_;
  if (!outFileSpec_->Create_ALWAYS(AsWide(diskPath_))) {
    ReleaseOutput();
    return ItemFailed(u"Cannot open output file");
  }
  return S_OK;
}

Z7_COM7F_IMF(ExtractCallback::SetOperationResult(Int32 operationResult)) {
  COM_TRY_BEGIN
  switch (operationResult) {
    case NArchive::NExtract::NOperationResult::kOK:
      if (outFileSpec_) {
        outFileSpec_->SetMTime(&item_.time);  // a file without its time is still a complete file
        const HRESULT closed = outFileSpec_->Close();
        ReleaseOutput();
        if (closed != S_OK) return closed;
      }
      // Archives made on other systems keep POSIX mode bits in the high half: only the Windows bits are set.
      if (extractMode_) NFile::NDir::SetFileAttrib_PosixHighDetect(AsWide(diskPath_), item_.attributes);
      return S_OK;
    case NArchive::NExtract::NOperationResult::kUnsupportedMethod:
      ReleaseOutput();
      return ItemFailed(u"Unsupported Method");
    default:
      ReleaseOutput();
      corrupt_ = true;
      KV_FAIL(kestrova::KV_E_FAIL, "item \"{}\": damaged data (result {})", item_.path, operationResult);
      return E_FAIL;
  }
  COM_TRY_END
}

void ExtractCallback::ApplyFolderTimes() {
  for (const FolderTime& folder : folderTimes_) {
    NFile::NDir::SetDirTime(AsWide(folder.path), nullptr, nullptr, &folder.time);
  }
}

void ExtractCallback::ReleaseOutput() {
  outFile_.Release();
  outFileSpec_ = nullptr;
}
