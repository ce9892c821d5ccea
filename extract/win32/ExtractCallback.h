// Writes the payload's items into the target folder as the archive library decodes them, one item at a time.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"
#include "Common/MyCom.h"

#include <set>
#include <string>
#include <vector>

#include "extract/ArchiveItem.h"
#include "support/ErrorCodes.h"

class ItemFile;

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

  // Called once the extraction has ended: closes the file of an item the library left open (a failed write stops
  // it mid-item) and gives the folder items their stored modification times (writing an item into a folder
  // changes the folder's time).
  void Finish();

  bool Corrupt() const { return corrupt_; }
  // The system's error of the first item file that could not be written or closed (the disk is full, the drive
  // is gone), or 0.
  kestrova::KVResult WriteError() const { return writeError_; }
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
  // Drops the open item file (closing it), keeping its write error.
  void ReleaseOutput();

  CMyComPtr<IInArchive> archive_;
  std::u16string directoryPath_;  // ends with a separator
  ArchiveItem item_;
  std::u16string diskPath_;
  std::u16string fullDirectoryPath_;     // directoryPath_ as Win32 folds it, with a separator; empty if it cannot
  std::set<std::u16string> createdFolders_;  // made sure of by earlier items
  bool extractMode_ = false;
  ItemFile* outFileSpec_ = nullptr;
  CMyComPtr<ISequentialOutStream> outFile_;
  ItemDefaults defaults_;
  bool corrupt_ = false;
  kestrova::KVResult writeError_ = kestrova::KV_OK;
  std::u16string message_;
  std::vector<FolderTime> folderTimes_;
};
#pragma GCC diagnostic pop
