// One failure idiom: a failing step returns its code unchanged and leaves a record of where and why, in the
// debugger output and, when the run keeps one, in the log.
//
//   KV_RETURN_IF_FAILED(LoadConfiguration(cfg, facts), "reading the configuration resource {}", id);
//   if (options == nullptr) return KV_FAIL(KV_E_NO_UNIQUE_MATCH, "choosing an option: the document has none");
#pragma once
#include <string_view>

#include "support/ErrorCodes.h"
#include "support/Formatter.h"

namespace kestrova {

struct KVFailureSite {
  const char* file;
  int line;
  const char* function;
};

// Writes "ERROR: <function>: <what> failed, err=0xXXXXXXXX (<file>:<line>)" and returns `code` unchanged.
KVResult KVRecordFailure(const KVFailureSite& site, KVResult code, std::string_view what) noexcept;

}  // namespace kestrova

#define KV_FAILURE_SITE (::kestrova::KVFailureSite{__FILE__, __LINE__, __func__})

// Records `code` with what was being done (a "{}" format and its arguments) and yields it.
#define KV_FAIL(code, ...) ::kestrova::KVRecordFailure(KV_FAILURE_SITE, (code), ::kestrova::KVFormat(__VA_ARGS__))

// Returns the code of `expr` when it is a failure that the callee has recorded with all there is to say (the
// configuration reader records the element, attribute and line where a document breaks a rule); adds nothing.
#define KV_RETURN_IF_FAILED_RECORDED(expr)                                 \
  do {                                                                     \
    const ::kestrova::KVResult kvRecorded_ = (expr);                       \
    if (kvRecorded_ != ::kestrova::KV_OK) return kvRecorded_;              \
  } while (false)

// Returns the code of `expr` from the calling function when it is a failure, recorded as above.
#define KV_RETURN_IF_FAILED(expr, ...)                                   \
  do {                                                                   \
    const ::kestrova::KVResult kvResult_ = (expr);                       \
    if (kvResult_ != ::kestrova::KV_OK) return KV_FAIL(kvResult_, __VA_ARGS__); \
  } while (false)
