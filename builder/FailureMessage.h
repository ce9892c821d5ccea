// How the builder's libraries fail: a code by value, and a message for the person running kvsfx that names the
// file and, where there is one, the position in it. The command reports the message; nothing else is recorded.
#pragma once
#include <string>
#include <utility>

#include "support/ErrorCodes.h"

namespace kestrova {

// Sets the message of a failure and returns its code: `return Fail(error, KV_E_INVALID_DATA, "...")`.
inline KVResult Fail(std::string& error, KVResult code, std::string message) {
  error = std::move(message);
  return code;
}

}  // namespace kestrova
