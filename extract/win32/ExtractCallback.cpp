#include "extract/win32/ExtractCallback.h"

#include "Common/ComTry.h"
#include "Windows/FileDir.h"
#include "Windows/FileFind.h"
#include "Windows/FileIO.h"

#include <windows.h>

#include "extract/ItemPath.h"
#include "support/Failure.h"
#include "support/Text.h"
#include "support/win32/FullPathName.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace NWindows;
using kestrova::AsWide;

namespace {

constexpr char16_t kSeparator = u'\\';

// Archives made on other systems keep POSIX mode bits in the high half: only the Windows bits are set (as
// SetFileAttrib_PosixHighDetect sets them).
UInt32 WindowsAttributes(UInt32 stored) { return (stored & 0xF0000000) != 0 ? stored & 0x3FFF : stored; }

}  // namespace

// The file of one item as the library writes it. It keeps the system's error of the first failed write or close,
// so that the run ends with the system's own code (the library passes it up as an HRESULT, among its own codes and
// read errors) and the log names the item.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ItemFile final : public ISequentialOutStream, public CMyUnknownImp {
  Z7_COM_UNKNOWN_IMP_1(ISequentialOutStream)
  Z7_IFACE_COM7_IMP(ISequentialOutStream)

 public:
  // A new file only: fails where anything exists at the path.
  bool CreateNew(const std::u16string& path) { return file_.Create_NEW(AsWide(path)); }
  bool Create(const std::u16string& path) { return file_.Create_ALWAYS(AsWide(path)); }
  void SetMTime(const FILETIME& time) { file_.SetMTime(&time); }
  HRESULT Close() { return file_.Close() ? S_OK : Failed(); }
  kestrova::KVResult Error() const { return error_; }

 private:
  HRESULT Failed() {
    if (error_ == kestrova::KV_OK) error_ = kestrova::KVLastError();
    return HRESULT_FROM_WIN32(error_);
  }

  NFile::NIO::COutFile file_;
  kestrova::KVResult error_ = kestrova::KV_OK;
};
#pragma GCC diagnostic pop

Z7_COM7F_IMF(ItemFile::Write(const void* data, UInt32 size, UInt32* processedSize)) {
  UInt32 written = 0;
  const bool ok = file_.Write(data, size, written);
  if (processedSize != nullptr) *processedSize = written;
  return ok ? S_OK : Failed();
}

void ExtractCallback::Init(IInArchive* archive, const std::u16string& directoryPath, std::u16string defaultName,
                           const FILETIME& defaultTime, UInt32 defaultAttributes) {
  message_.clear();
  corrupt_ = false;
  writeError_ = kestrova::KV_OK;
  createdFolders_.clear();
  folderTimes_.clear();
  defaults_ = {std::move(defaultName), defaultTime, defaultAttributes};
  archive_ = archive;
  directoryPath_ = directoryPath;
  if (directoryPath_.empty() || directoryPath_.back() != kSeparator) directoryPath_ += kSeparator;
  if (kestrova::KVWinGetFullPathName(directoryPath_, fullDirectoryPath_) != kestrova::KV_OK) {
    fullDirectoryPath_.clear();  // then no item lands inside
  }
  if (!fullDirectoryPath_.empty() && fullDirectoryPath_.back() != kSeparator) fullDirectoryPath_ += kSeparator;
}

Z7_COM7F_IMF(ExtractCallback::SetTotal(UInt64)) { return S_OK; }

Z7_COM7F_IMF(ExtractCallback::SetCompleted(const UInt64*)) { return S_OK; }

Z7_COM7F_IMF(ExtractCallback::PrepareOperation(Int32 askExtractMode)) {
  extractMode_ = askExtractMode == NArchive::NExtract::NAskMode::kExtract;
  return S_OK;
}

// The joined path, folded the way Win32 folds it, still lies below the target folder (no device, no climbing).
bool ExtractCallback::LandsInsideDirectory() const {
  const std::u16string& root = fullDirectoryPath_;
  std::u16string item;
  if (root.empty() || kestrova::KVWinGetFullPathName(diskPath_, item) != kestrova::KV_OK) return false;
  return item.size() > root.size() && item.compare(0, root.size(), root) == 0;
}

Z7_COM7F_IMF(ExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode)) {
  COM_TRY_BEGIN
  *outStream = nullptr;
  ReleaseOutput();

  RINOK(ReadItemPath(archive_, index, defaults_, item_))
  if (askExtractMode != NArchive::NExtract::NAskMode::kExtract) return S_OK;

  RINOK(ReadItemDetails(archive_, index, defaults_, item_))
  item_.path = WithoutDotParts(item_.path);
  // A folder "." (as "bsdtar -C dir ." stores it) is the target folder, which exists; nothing is set on it.
  if (item_.path.empty() && item_.isDirectory && !item_.isAnti) {
    diskPath_.clear();
    return S_OK;
  }
  std::vector<std::u16string_view> parts = SplitItemPath(item_.path);
  if (parts.empty()) return E_FAIL;
  diskPath_ = directoryPath_ + item_.path;
  if (!IsSafeItemPath(item_.path) || !LandsInsideDirectory()) {
    return ItemFailed(u"Unsafe item path");
  }

  if (!item_.isDirectory) parts.pop_back();
  if (!item_.isAnti) {
    // Each folder is created once per extraction, not once per item in it (the archive sorts items by name
    // extension before folder, and every call is a system call that looks the path up).
    std::u16string step = directoryPath_;
    for (const std::u16string_view part : parts) {
      step += part;
      if (createdFolders_.insert(step).second) NFile::NDir::CreateDir(AsWide(step));  // existing ones are normal
      step += kSeparator;
    }
  }

  if (item_.isDirectory) {
    if (item_.isAnti) {
      NFile::NDir::RemoveDir(AsWide(diskPath_));
      createdFolders_.clear();
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
  // Usually nothing is there: one call creates the file (an existence check first would look the path up twice,
  // and under Wine a name that does not exist is looked for through the whole folder).
  if (!item_.isAnti) {
    outFileSpec_ = new ItemFile;
    outFile_ = outFileSpec_;
    if (outFileSpec_->CreateNew(diskPath_)) return S_OK;
    ReleaseOutput();
  }
  // One attribute query rather than a directory search; the search (which retries with the \\?\ prefix) only
  // where a long path may have failed the query.
  bool exists = ::GetFileAttributesW(AsWide(diskPath_)) != INVALID_FILE_ATTRIBUTES;
  if (!exists && diskPath_.size() >= MAX_PATH) {
    NFile::NFind::CFileInfo existing;
    exists = existing.Find(AsWide(diskPath_));
  }
  if (exists && !NFile::NDir::DeleteFileAlways(AsWide(diskPath_))) {
    return ItemFailed(u"Cannot delete output file");
  }
  if (item_.isAnti) return S_OK;
  outFileSpec_ = new ItemFile;
  outFile_ = outFileSpec_;
  if (!outFileSpec_->Create(diskPath_)) {
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
        outFileSpec_->SetMTime(item_.time);  // a file without its time is still a complete file
        const HRESULT closed = outFileSpec_->Close();
        ReleaseOutput();
        if (closed != S_OK) return closed;
      }
      // A new file has the archive attribute: it is set only where the item asks for others. Archives made on
      // other systems keep POSIX mode bits in the high half: only the Windows bits are set.
      if (extractMode_ && !diskPath_.empty() &&
          (item_.isDirectory || WindowsAttributes(item_.attributes) != FILE_ATTRIBUTE_ARCHIVE)) {
        NFile::NDir::SetFileAttrib_PosixHighDetect(AsWide(diskPath_), item_.attributes);
      }
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

void ExtractCallback::Finish() {
  ReleaseOutput();
  for (const FolderTime& folder : folderTimes_) {
    NFile::NDir::SetDirTime(AsWide(folder.path), nullptr, nullptr, &folder.time);
  }
}

void ExtractCallback::ReleaseOutput() {
  if (outFileSpec_ != nullptr && outFileSpec_->Error() != kestrova::KV_OK && writeError_ == kestrova::KV_OK) {
    writeError_ = outFileSpec_->Error();
    message_ = u"Cannot write output file";
    KV_FAIL(writeError_, "writing item \"{}\" into {}", item_.path, diskPath_);
  }
  outFile_.Release();
  outFileSpec_ = nullptr;
}
