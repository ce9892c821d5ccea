// The payload opened with the archive library: a registry holding the single "7z" format, the signature search in
// the first 8 MiB of the executable, and the archive beside an executable that carries none.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"
#include "7zip/UI/Common/LoadCodecs.h"
#include "Common/MyCom.h"

#include <string>

class PayloadArchive {
 public:
  PayloadArchive() = default;
  PayloadArchive(const PayloadArchive&) = delete;
  PayloadArchive& operator=(const PayloadArchive&) = delete;
  ~PayloadArchive();

  // Loads the format registry; S_OK, or a failure when it cannot be loaded or lacks the "7z" format.
  HRESULT LoadRegistry();

  // Opens the executable as an archive. When the file holds no archive at all (not when a found archive fails
  // to open), an executable named *.exe is served by *.7z.001 or else *.7z beside it. S_OK, S_FALSE when no
  // archive was found, or the library's error.
  HRESULT Open(const std::u16string& executablePath);

  IInArchive* Archive() const { return archive_; }
  // The file that was opened: the executable or its sibling.
  const std::u16string& OpenedPath() const { return openedPath_; }

 private:
  HRESULT OpenFile(const std::u16string& path, bool& isArchive);

  CCodecs codecs_;
  int formatIndex_ = -1;
  CMyComPtr<IInArchive> archive_;
  std::u16string openedPath_;
};
