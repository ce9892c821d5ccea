#include "extract/CleanupRetry.h"

std::uint32_t RetryRemovingFolders(CleanupRetryHost& host) {
  const std::uint64_t start = host.NowMs();
  std::uint32_t passes = 0;
  for (;;) {
    host.Sleep(kCleanupRetryStepMs);
    std::uint32_t remaining = 0;
    const kestrova::KVResult result = host.RemoveEmptyFolders(remaining);
    ++passes;
    if (result != kestrova::KV_OK || remaining == 0) break;
    if (host.NowMs() - start >= kCleanupRetryLimitMs) break;
  }
  return passes;
}
