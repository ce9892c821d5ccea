// The log file of --logfile: UTF-8 lines appended by every copy of the installer that names it.
#pragma once
#include <string>

#include "support/ErrorCodes.h"
#include "support/Log.h"
#include "support/win32/CriticalSection.h"
#include "support/win32/UniqueResource.h"

namespace kestrova {

class KVLogFile final : public KVLog {
 public:
  // Opens `path` for appending: created when missing, never truncated, shared with other writers. A reparse
  // point at the path itself (a link planted where the log goes) or a folder is refused with KV_E_INVALID_TARGET
  // and not followed.
  KVResult Open(const std::u16string& path);

  // Appends the text as one line (time, process and thread first). Lines of several threads and processes never
  // mix: each is one write at the end of the file under a lock that every writer takes.
  void Write(std::string_view text) noexcept override;

 private:
  KVUniqueFile file_;
  KVCriticalSection lock_;
};

}  // namespace kestrova
