// The run's log: one line per event, kept only when the command line names a log file.
#pragma once
#include <string_view>

#include "support/Formatter.h"

namespace kestrova {

// Receives finished event texts; adds time, process and thread, and writes each as one whole line.
class KVLog {
 public:
  virtual void Write(std::string_view text) noexcept = 0;

 protected:
  ~KVLog() = default;
};

// Installs the log (null: none). The log must outlive every thread that may still write.
void KVSetLog(KVLog* log) noexcept;
bool KVLogActive() noexcept;
void KVWriteLog(std::string_view text) noexcept;

// One event, formatted with "{}" fields only when a log is kept.
template <class... Args>
void KVLogEvent(const char* format, const Args&... args) {
  if (KVLogActive()) KVWriteLog(KVFormat(format, args...));
}

// The calendar time and the ids a log line starts with.
struct KVLogStamp {
  unsigned year, month, day, hour, minute, second, millisecond;
  unsigned long processId, threadId;
};

// "2026-12-06 21:30:01.123 [1234:5678] text" and a CR LF; line breaks inside `text` become blanks, so that
// every event stays one line.
std::string KVFormatLogLine(const KVLogStamp& stamp, std::string_view text);

}  // namespace kestrova
