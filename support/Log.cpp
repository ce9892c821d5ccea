#include "support/Log.h"

#include <atomic>

namespace kestrova {
namespace {
std::atomic<KVLog*> g_log{nullptr};
}  // namespace

void KVSetLog(KVLog* log) noexcept { g_log.store(log); }

bool KVLogActive() noexcept { return g_log.load() != nullptr; }

void KVWriteLog(std::string_view text) noexcept {
  if (KVLog* log = g_log.load()) log->Write(text);
}

std::string KVFormatLogLine(const KVLogStamp& stamp, std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  std::string line = KVFormat("{:04}-{:02}-{:02} {:02}:{:02}:{:02}.{:03} [{}:{}] ", stamp.year, stamp.month,
                              stamp.day, stamp.hour, stamp.minute, stamp.second, stamp.millisecond,
                              stamp.processId, stamp.threadId);
  line.reserve(line.size() + text.size() + 2);
  for (const char c : text) line += c == '\n' || c == '\r' ? ' ' : c;
  line += "\r\n";
  return line;
}

}  // namespace kestrova
