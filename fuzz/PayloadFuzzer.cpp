// Arbitrary bytes as the stub's payload: opened as a 7z archive from memory with the stub's format registry and
// decoder settings (LZMA2 on two threads), every item path held to the stub's rule, the accepted items written as real files into a fresh
// temporary folder. Nothing may appear outside that folder. Written bytes and extracted items are capped, so that
// false sizes and counts cannot fill the disk or the time.
#include "Common/Common.h"

#include "7zip/Archive/IArchive.h"
#include "7zip/Common/StreamObjects.h"
#include "7zip/UI/Common/LoadCodecs.h"
#include "Common/ComTry.h"
#include "Common/MyCom.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FailingAllocations.h"
#include "extract/ArchiveItem.h"
#include "extract/DecoderSettings.h"
#include "extract/ItemPath.h"
#include "support/StubContract.h"
#include "support/Text.h"

namespace fs = std::filesystem;

namespace {

constexpr UInt32 kDecoderThreads = 2;  // the multi-threaded LZMA2 decoder whatever the host
constexpr UInt32 kMaxItems = 1000;
constexpr std::uint64_t kMaxWrittenBytes = std::uint64_t{4} << 20;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Parent folder of `path` resolved through the file system: it must be the root or below it.
bool ResolvesInside(const std::string& root, const std::string& path) {
  std::error_code error;  // no exception: the library's callbacks would take it for a failed allocation
  const std::string folder = fs::canonical(path.substr(0, path.rfind('/')), error).string();
  return !error && (folder == root || folder.rfind(root + "/", 0) == 0);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"  // the library's objects are released through IUnknown only

// Offers no password, as the stub's. The 7z handler reports no progress while it opens: its open is bounded by
// the library's own checks.
class OpenCallback final : public IArchiveOpenCallback, public CMyUnknownImp {
  Z7_COM_UNKNOWN_IMP_1(IArchiveOpenCallback)
  Z7_IFACE_COM7_IMP(IArchiveOpenCallback)
};

Z7_COM7F_IMF(OpenCallback::SetTotal(const UInt64*, const UInt64*)) { return S_OK; }
Z7_COM7F_IMF(OpenCallback::SetCompleted(const UInt64*, const UInt64*)) { return S_OK; }

// A file of the extraction; every write counts against the budget shared by all items.
class CappedFileStream final : public ISequentialOutStream, public CMyUnknownImp {
  Z7_COM_UNKNOWN_IMP_0
  Z7_IFACE_COM7_IMP(ISequentialOutStream)

 public:
  CappedFileStream(int fd, std::uint64_t& written) : fd_(fd), written_(written) {}
  ~CappedFileStream() { Close(); }
  bool Close() {
    const bool closed = fd_ < 0 || close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
  std::uint64_t& written_;
};

Z7_COM7F_IMF(CappedFileStream::Write(const void* data, UInt32 size, UInt32* processedSize)) {
  if (processedSize != nullptr) *processedSize = 0;
  if (size > kMaxWrittenBytes - written_) return E_FAIL;  // as a full disk would
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (UInt32 done = 0; done < size;) {
    const ssize_t n = write(fd_, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return E_FAIL;
    done += static_cast<UInt32>(n);
    written_ += static_cast<std::uint64_t>(n);
    if (processedSize != nullptr) *processedSize = done;
  }
  return S_OK;
}

// The stub's extract callback on POSIX: the same item reading, refusals and results, with folders and files made
// by POSIX calls below `root`.
class ExtractCallback final : public IArchiveExtractCallback, public CMyUnknownImp {
  Z7_COM_UNKNOWN_IMP_0  // no password interface: encrypted items fail as in the stub
  Z7_IFACE_COM7_IMP(IProgress)
  Z7_IFACE_COM7_IMP(IArchiveExtractCallback)

 public:
  ExtractCallback(IInArchive* archive, std::string root) : archive_(archive), root_(std::move(root)) {}
  std::uint64_t Written() const { return written_; }

 private:
  HRESULT PrepareFile();

  CMyComPtr<IInArchive> archive_;
  const std::string root_;  // resolved, without a trailing separator
  const ItemDefaults defaults_{u"Default", {}, 0};  // the stub's name for items without a path
  ArchiveItem item_;
  std::string diskPath_;
  CappedFileStream* outFileSpec_ = nullptr;
  CMyComPtr<ISequentialOutStream> outFile_;
  std::uint64_t written_ = 0;
};

#pragma GCC diagnostic pop

Z7_COM7F_IMF(ExtractCallback::SetTotal(UInt64)) { return S_OK; }
Z7_COM7F_IMF(ExtractCallback::SetCompleted(const UInt64*)) { return S_OK; }
Z7_COM7F_IMF(ExtractCallback::PrepareOperation(Int32)) { return S_OK; }

Z7_COM7F_IMF(ExtractCallback::GetStream(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode)) {
  COM_TRY_BEGIN
  *outStream = nullptr;
  outFile_.Release();
  outFileSpec_ = nullptr;

  RINOK(ReadItemPath(archive_, index, defaults_, item_))
  if (askExtractMode != NArchive::NExtract::NAskMode::kExtract) return S_OK;

  RINOK(ReadItemDetails(archive_, index, defaults_, item_))
  item_.path = WithoutDotParts(item_.path);
  if (item_.path.empty() && item_.isDirectory && !item_.isAnti) return S_OK;
  const std::vector<std::u16string_view> parts = SplitItemPath(item_.path);
  if (parts.empty() || !IsSafeItemPath(item_.path)) return E_FAIL;  // the stub refuses the item and ends the extraction

  // Accepted parts are joined with '/': none of them may climb, whatever the file system makes of them.
  diskPath_ = root_;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    Check(parts[i] != u"." && parts[i] != u"..");
    diskPath_ += '/' + kestrova::Utf16ToUtf8(parts[i]);
    const bool folder = item_.isDirectory || i + 1 < parts.size();
    if (folder && !item_.isAnti) mkdir(diskPath_.c_str(), 0700);  // existing folders are normal
  }
  if (item_.isDirectory) {
    if (item_.isAnti) rmdir(diskPath_.c_str());
    return S_OK;
  }
  RINOK(PrepareFile())
  if (outFile_) *outStream = CMyComPtr<ISequentialOutStream>(outFile_).Detach();
  return S_OK;
  COM_TRY_END
}

// Replaces whatever is at the disk path; a folder cannot be replaced.
HRESULT ExtractCallback::PrepareFile() {
  struct stat existing;
  if (lstat(diskPath_.c_str(), &existing) == 0 && unlink(diskPath_.c_str()) != 0) return E_FAIL;
  if (item_.isAnti) return S_OK;
  const int fd = open(diskPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return E_FAIL;
  Check(ResolvesInside(root_, diskPath_));
  outFileSpec_ = new CappedFileStream(fd, written_);
  outFile_ = outFileSpec_;
  return S_OK;
}

Z7_COM7F_IMF(ExtractCallback::SetOperationResult(Int32 operationResult)) {
  const bool closed = outFileSpec_ == nullptr || outFileSpec_->Close();
  outFile_.Release();
  outFileSpec_ = nullptr;
  if (operationResult != NArchive::NExtract::NOperationResult::kOK) return E_FAIL;  // unsupported or damaged
  return closed ? S_OK : E_FAIL;
}

// The format registry, loaded once as the stub loads it at start.
struct Registry {
  CCodecs codecs;
  int formatIndex = -1;
  Registry() {
    Check(codecs.Load() == S_OK);
    for (unsigned i = 0; i < codecs.Formats.Size(); ++i) {
      if (codecs.Formats[i].Name == L"7z") formatIndex = static_cast<int>(i);
    }
    Check(formatIndex >= 0);
  }
};

// Every regular file and folder below `folder`, none of them anything else; the number of files and their bytes.
void CheckTree(const fs::path& folder, std::uint64_t& files, std::uint64_t& bytes) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    Check(fs::is_directory(status) || fs::is_regular_file(status));
    if (fs::is_regular_file(status)) {
      ++files;
      bytes += entry.file_size();
    }
  }
}

void ExtractInto(IInArchive* archive, const std::string& root) {
  UInt32 count = 0;
  if (archive->GetNumberOfItems(&count) != S_OK) return;
  std::vector<UInt32> indices;
  for (UInt32 i = 0; i < count && i < kMaxItems; ++i) indices.push_back(i);
  auto* callbackSpec = new ExtractCallback(archive, root);
  CMyComPtr<IArchiveExtractCallback> callback = callbackSpec;
  if (count <= kMaxItems) {
    archive->Extract(nullptr, 0xFFFFFFFF, 0, callback);  // all items, as the stub asks
  } else {
    archive->Extract(indices.data(), kMaxItems, 0, callback);
  }
  Check(callbackSpec->Written() <= kMaxWrittenBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Registry registry;

  std::string sandboxTemplate = (fs::temp_directory_path() / "kvsfx-payload-XXXXXX").string();
  Check(mkdtemp(sandboxTemplate.data()) != nullptr);
  const fs::path sandbox = fs::canonical(sandboxTemplate);
  const fs::path root = sandbox / "target";
  Check(mkdir(root.c_str(), 0700) == 0);

  // A first byte b other than the 7z signature's fails the library's allocation b / 2 + 1 (an odd b also every one
  // after it: the address space used up). The handler finds the archive after that byte, as after the stub.
  if (size != 0 && data[0] != '7') FailAllocations(data[0] / 2u + 1, (data[0] & 1) != 0);
  {
    CMyComPtr<IInArchive> archive;
    Check(registry.codecs.CreateInArchive(static_cast<unsigned>(registry.formatIndex), archive) == S_OK && archive);
    Check(ApplyDecoderSettings(archive, kDecoderThreads) == S_OK);
    auto* streamSpec = new CBufInStream;
    CMyComPtr<IInStream> stream = streamSpec;
    streamSpec->Init(data, size);
    CMyComPtr<IArchiveOpenCallback> openCallback = new OpenCallback;
    const UInt64 lastHeaderOffset = kestrova::kPayloadSearchLimit - 1;
    if (archive->Open(stream, &lastHeaderOffset, openCallback) == S_OK) ExtractInto(archive, root.string());
    archive->Close();
  }
  StopFailingAllocations();

  // The target folder is the only thing in the sandbox, and holds files and folders only, within the caps.
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(sandbox)) Check(entry.path() == root);
  CheckTree(root, files, bytes);
  Check(files <= kMaxItems && bytes <= kMaxWrittenBytes);
  fs::remove_all(sandbox);
  return 0;
}
