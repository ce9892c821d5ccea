#include "builder/ConfigValidation.h"

#include "builder/ConfigCheck.h"

namespace kestrova {

KVResult ValidateConfiguration(const std::string& source, const Bytes& document,
                               const std::vector<std::string>* payloadItems, std::vector<std::string>& warnings,
                               std::string& error) {
  const ConfigCheck check = CheckConfiguration(std::string(document.begin(), document.end()), payloadItems);
  for (const ConfigFinding& finding : check.findings) {
    if (finding.severity == ConfigFinding::Severity::Warning) {
      warnings.push_back(FormatFinding(source, finding));
    } else {
      error += FormatFinding(source, finding);
    }
  }
  if (check.Valid()) return KV_OK;
  if (!error.empty() && error.back() == '\n') error.pop_back();
  return check.report.code != KV_OK ? check.report.code : KV_E_INVALID_DATA;
}

KVResult AcceptAnyConfiguration(const std::string& /*source*/, const Bytes& /*document*/,
                                const std::vector<std::string>* /*payloadItems*/,
                                std::vector<std::string>& /*warnings*/, std::string& /*error*/) {
  return kestrova::KV_OK;
}

}  // namespace kestrova
