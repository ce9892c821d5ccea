// Checking a configuration document the way installers will read it, on every kind of machine: the document is
// read once (ConfigDocument), then each check is a pass over it.
#pragma once
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ConfigDocument.h"
#include "config/Cfg.h"

namespace kestrova {

struct ConfigCheck {
  ConfigReadReport report;              // on a Windows 11 23H2 x64 workstation
  std::vector<ConfigFinding> findings;  // errors, then warnings, each in document order
  std::size_t errors = 0;
  std::size_t warnings = 0;
  bool Valid() const { return errors == 0; }
};

// The checks of `kvsfx check`: the verdict on every kind of machine, the names, the options' reachability and the
// likely mistakes; with `payloadItems` (the payload's item paths) also the payload cross-check.
ConfigCheck CheckConfiguration(const std::string& text, const std::vector<std::string>* payloadItems = nullptr);

// Every finding as FormatFinding gives it.
std::string DescribeFindings(const std::string& source, const ConfigCheck& check);
// The last line: "SOURCE: valid", "SOURCE: valid, 2 warnings" or "SOURCE: invalid: 1 error, 2 warnings".
std::string DescribeVerdict(const std::string& source, const ConfigCheck& check);

// The configuration text of an XML file, or of an installer (its resource 222). `found` is false for an
// installer without configuration.
KVResult LoadConfigurationText(const std::string& path, std::string& text, bool& found, std::string& error);

// "0xEE000051 KV_E_INVALID_DATA: the document breaks a rule: DETAIL", for a document that does not read.
std::string DescribeReadFailure(const ConfigReadReport& report);

}  // namespace kestrova
