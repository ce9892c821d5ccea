#include "extract/win32/PayloadArchive.h"

#include "7zip/Common/FileStreams.h"
#include "Common/ComTry.h"
#include "Windows/FileFind.h"
#include "Windows/PropVariant.h"

#include "extract/SiblingArchive.h"
#include "extract/DecoderSettings.h"
#include "support/StubContract.h"
#include "support/Text.h"

using kestrova::AsWide;

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"  // released through IUnknown only
// Opening reports no progress, cannot be interrupted and offers no password, so encrypted headers do not open.
class OpenCallback final : public IArchiveOpenCallback, public CMyUnknownImp {
  Z7_COM_UNKNOWN_IMP_1(IArchiveOpenCallback)
  Z7_IFACE_COM7_IMP(IArchiveOpenCallback)
};
#pragma GCC diagnostic pop

Z7_COM7F_IMF(OpenCallback::SetTotal(const UInt64*, const UInt64*)) { return S_OK; }
Z7_COM7F_IMF(OpenCallback::SetCompleted(const UInt64*, const UInt64*)) { return S_OK; }

bool IsNotArchive(IInArchive* archive) {
  NWindows::NCOM::CPropVariant flags;
  if (archive->GetArchiveProperty(kpidErrorFlags, &flags) != S_OK || flags.vt != VT_UI4) return false;
  return (flags.ulVal & kpv_ErrorFlags_IsNotArc) != 0;
}

}  // namespace

PayloadArchive::~PayloadArchive() {
  if (archive_) archive_->Close();
}

HRESULT PayloadArchive::LoadRegistry() {
  COM_TRY_BEGIN
  RINOK(codecs_.Load())
  formatIndex_ = -1;
  for (unsigned i = 0; i < codecs_.Formats.Size(); ++i) {
    if (codecs_.Formats[i].Name == L"7z") formatIndex_ = static_cast<int>(i);
  }
  return formatIndex_ >= 0 ? S_OK : E_FAIL;
  COM_TRY_END
}

HRESULT PayloadArchive::OpenFile(const std::u16string& path, bool& isArchive) {
  isArchive = false;
  CInFileStream* fileSpec = new CInFileStream;
  CMyComPtr<IInStream> file = fileSpec;
  if (!fileSpec->Open(AsWide(path))) return GetLastError_noZero_HRESULT();

  CMyComPtr<IInArchive> archive;
  RINOK(codecs_.CreateInArchive(static_cast<unsigned>(formatIndex_), archive))
  if (!archive) return E_FAIL;
  RINOK(ApplyDecoderSettings(archive))
  CMyComPtr<IArchiveOpenCallback> callback = new OpenCallback;
  // The handler accepts a header that starts at any offset up to and including the given one.
  const UInt64 lastHeaderOffset = kestrova::kPayloadSearchLimit - 1;
  const HRESULT opened = archive->Open(file, &lastHeaderOffset, callback);
  if (opened != S_OK) {
    isArchive = !IsNotArchive(archive);
    archive->Close();
    return opened;
  }
  isArchive = true;
  archive_ = archive;
  openedPath_ = path;
  return S_OK;
}

HRESULT PayloadArchive::Open(const std::u16string& executablePath) {
  COM_TRY_BEGIN
  if (formatIndex_ < 0) return E_FAIL;
  bool isArchive = false;
  const HRESULT opened = OpenFile(executablePath, isArchive);
  if (opened == S_OK || isArchive) return opened;
  for (const std::u16string& sibling : SiblingArchivePaths(executablePath)) {
    NWindows::NFile::NFind::CFileInfo info;
    if (info.Find(AsWide(sibling)) && !info.IsDir()) return OpenFile(sibling, isArchive);
  }
  return opened;
  COM_TRY_END
}
