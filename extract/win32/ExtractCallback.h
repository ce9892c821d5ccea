// Writes the payload's items into the target folder as the archive library decodes them, one item at a time.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"
#include "7zip/Common/FileStreams.h"
#include "Common/MyCom.h"

#include <string>
#include <vector>

#include "extract/ArchiveItem.h"

// The library's interfaces are released through IUnknown, never through a base class destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ExtractCallback final : public IArchiveExtractCallback, public CMyUnknownImp {
  // Answers IUnknown only: no password interface, so the library never asks for one.
  Z7_COM_UNKNOWN_IMP_0
  Z7_IFACE_COM7_IMP(IProgress)
  Z7_IFACE_COM7_IMP(IArchiveExtractCallback)

 public:
  // Sets up one extraction into `directoryPath` (a full path; a trailing separator is added). Items without a
  // stored path are written as `defaultName`, items without a stored time or attributes get the defaults.
  void Init(IInArchive* archive, const std::u16string& directoryPath, std::u16string defaultName,
            const FILETIME& defaultTime, UInt32 defaultAttributes);

  // Gives the folder items their stored modification times. Called once the extraction has ended: writing an
  // item into a folder changes the folder's time.
  void ApplyFolderTimes();

  bool Corrupt() const { return corrupt_; }
  // Why the last failing item failed, or empty.
  const std::u16string& Message() const { return message_; }

 private:
  struct FolderTime {
    std::u16string path;
    FILETIME time;
  };

  bool LandsInsideDirectory() const;
  HRESULT PrepareFile();
  // Keeps `message` as the reason of the failure, records it with the item, and returns E_FAIL.
  HRESULT ItemFailed(const char16_t* message);
  void ReleaseOutput();

  CMyComPtr<IInArchive> archive_;
  std::u16string directoryPath_;  // ends with a separator
  ArchiveItem item_;
  std::u16string diskPath_;
  bool extractMode_ = false;
  COutFileStream* outFileSpec_ = nullptr;
  CMyComPtr<ISequentialOutStream> outFile_;
  ItemDefaults defaults_;
  bool corrupt_ = false;
  std::u16string message_;
  std::vector<FolderTime> folderTimes_;
};
#pragma GCC diagnostic pop
