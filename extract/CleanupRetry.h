// The retry after a cleanup whose folders still report "not empty" because deleted files are pending, or are
// still in use by a process that has just ended.
#pragma once
#include <cstdint>

#include "support/ErrorCodes.h"

inline constexpr std::uint32_t kCleanupRetryStepMs = 50;
inline constexpr std::uint64_t kCleanupRetryLimitMs = 5000;

// What the retry needs from its surroundings (Win32 on Windows, fakes in tests).
class CleanupRetryHost {
 public:
  virtual std::uint64_t NowMs() = 0;  // a monotonic clock in milliseconds
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // One pass that removes the folders that have become empty; sets the number of folders that remain.
  virtual kestrova::KVResult RemoveEmptyFolders(std::uint32_t& remaining) = 0;

 protected:
  ~CleanupRetryHost() = default;
};

// Sleeps a step, then removes what has become empty; stops once nothing remains, a pass fails, or the limit has
// passed since the start. Returns the number of passes made.
std::uint32_t RetryRemovingFolders(CleanupRetryHost& host);
