#include "support/Failure.h"

#include "support/Diagnostics.h"

namespace kestrova {

KVResult KVRecordFailure(const KVFailureSite& site, KVResult code, std::string_view what) noexcept {
  KVDiagnostic("ERROR: %s: %.*s failed, err=0x%08X (%s:%d)\n", site.function, static_cast<int>(what.size()),
               what.data(), static_cast<unsigned>(code), site.file, site.line);
  return code;
}

}  // namespace kestrova
