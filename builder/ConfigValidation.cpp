#include "builder/ConfigValidation.h"

namespace kvsfx {

KVResult ValidateConfiguration(const Bytes& /*document*/, std::string& /*error*/) { return kestrova::KV_OK; }

}  // namespace kvsfx
