// Checking a configuration document the way installers will read it, on every kind of machine.
#pragma once
#include <string>
#include <vector>

#include "builder/Bytes.h"
#include "builder/ConfigWarnings.h"
#include "config/Cfg.h"
#include "config/SystemInfo.h"

namespace kestrova {

// A machine on which an installer reads its configuration; the version and architecture decide which
// options are candidates, and so whether their language tags collide.
struct MachineKind {
  WindowsVersion version = WindowsVersion::W11_23H2;
  ProcessorArch arch = ProcessorArch::X64;
};

struct MachineFailure {
  MachineKind machine;
  ConfigReadReport report;
};

struct ConfigCheck {
  ConfigReadReport report;                     // on a Windows 11 23H2 x64 workstation
  std::vector<MachineFailure> machineFailures;  // machines where a document that reads there fails
  std::vector<ConfigWarning> warnings;          // of a document that reads there; they do not make it invalid
  bool Valid() const { return report.code == kestrova::KV_OK && machineFailures.empty(); }
};

ConfigCheck CheckConfiguration(const std::string& text);

// "0xEE000051 KV_E_INVALID_DATA: the document breaks a rule" with the location on following lines.
std::string DescribeReadFailure(const ConfigReadReport& report);
// The whole verdict, "valid" or "invalid: ..." over several lines, each ending with a line feed.
std::string DescribeVerdict(const ConfigCheck& check);
// The verdict after "SOURCE: ".
std::string DescribeCheck(const std::string& source, const ConfigCheck& check);

// The configuration text of an XML file, or of an installer (its resource 222). `found` is false for an
// installer without configuration.
KVResult LoadConfigurationText(const std::string& path, std::string& text, bool& found, std::string& error);

}  // namespace kestrova
