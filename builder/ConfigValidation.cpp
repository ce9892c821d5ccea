#include "builder/ConfigValidation.h"

#include "builder/ConfigCheck.h"

namespace kestrova {

KVResult ValidateConfiguration(const Bytes& document, std::vector<std::string>& warnings, std::string& error) {
  const ConfigCheck check = CheckConfiguration(std::string(document.begin(), document.end()));
  for (const ConfigWarning& warning : check.warnings) warnings.push_back(DescribeWarning(warning));
  if (check.Valid()) return kestrova::KV_OK;
  error = DescribeVerdict(check);
  for (const char* verdict : {"invalid: ", "invalid "}) {
    if (error.rfind(verdict, 0) == 0) {
      error.erase(0, std::string(verdict).size());
      break;
    }
  }
  if (!error.empty() && error.back() == '\n') error.pop_back();
  return check.report.code != kestrova::KV_OK ? check.report.code : check.machineFailures.front().report.code;
}

KVResult AcceptAnyConfiguration(const Bytes& /*document*/, std::vector<std::string>& /*warnings*/,
                                std::string& /*error*/) {
  return kestrova::KV_OK;
}

}  // namespace kestrova
