#include "builder/ConfigCheck.h"

#include <map>
#include <tuple>

#include "app/RunOutcome.h"
#include "builder/FileIo.h"
#include "builder/Inspector.h"
#include "config/ConfigErrors.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {
namespace {

constexpr std::uint64_t kMaxDocumentSize = 16u << 20;
constexpr std::size_t kMachinesListed = 4;

ConfigReadReport ReadOn(const std::string& text, const MachineKind& machine) {
  SimulatedSystemFacts facts;
  facts.windowsVersion = machine.version;
  facts.nativeArch = machine.arch;
  Cfg cfg;
  return ReadConfiguration(cfg, text, facts);
}

std::string MachineText(const MachineKind& machine) {
  return kestrova::Utf16ToUtf8(WindowsVersionName(machine.version)) + " " +
         kestrova::Utf16ToUtf8(ProcessorArchName(machine.arch));
}

}  // namespace

ConfigCheck CheckConfiguration(const std::string& text) {
  ConfigCheck check;
  check.report = ReadOn(text, MachineKind{});
  if (check.report.code != kestrova::KV_OK) return check;
  check.warnings = FindConfigWarnings(text);
  for (const ProcessorArch arch : {ProcessorArch::X86, ProcessorArch::X64, ProcessorArch::ARM64, ProcessorArch::ARM,
                                   ProcessorArch::IA64, ProcessorArch::None}) {
    for (const WindowsVersion version : EveryWindowsVersion()) {
      const MachineKind machine{version, arch};
      ConfigReadReport report = ReadOn(text, machine);
      if (report.code != kestrova::KV_OK) check.machineFailures.push_back({machine, std::move(report)});
    }
  }
  return check;
}

std::string DescribeReadFailure(const ConfigReadReport& report) {
  const ConfigErrorDescription description = DescribeConfigError(report.code);
  std::string text = kestrova::KVFormat("0x{:08X} {}: {}", report.code, description.name, description.meaning);
  const ConfigErrorLocation& where = report.location;
  if (!where.elementPath.empty()) {
    text += "\n  at " + where.elementPath;
    if (!where.attribute.empty()) text += ", attribute " + where.attribute;
  }
  if (where.line > 0) text += kestrova::KVFormat("\n  line {}", where.line);
  if (!where.detail.empty()) text += ": " + where.detail;
  return text;
}

std::string DescribeVerdict(const ConfigCheck& check) {
  if (check.report.code != kestrova::KV_OK) {
    return "invalid: " + DescribeReadFailure(check.report) + "\n  the installer would end with that code and show \"" +
           kestrova::Utf16ToUtf8(ErrorMessageText(check.report.code)) + "\"\n";
  }
  if (check.machineFailures.empty()) return "valid\n";
  // Machines grouped by the failure they meet.
  std::map<std::tuple<kestrova::KVResult, std::string, int>, std::vector<const MachineFailure*>> groups;
  for (const MachineFailure& failure : check.machineFailures) {
    const ConfigErrorLocation& where = failure.report.location;
    groups[{failure.report.code, where.elementPath, where.line}].push_back(&failure);
  }
  std::string text = "invalid on some machines: installers there end with an error before anything runs\n";
  for (const auto& [key, failures] : groups) {
    text += "  " + DescribeReadFailure(failures.front()->report) + "\n  on ";
    for (std::size_t i = 0; i < failures.size() && i < kMachinesListed; ++i) {
      text += (i ? ", " : "") + MachineText(failures[i]->machine);
    }
    if (failures.size() > kMachinesListed) text += kestrova::KVFormat(" and {} more", failures.size() - kMachinesListed);
    text += "\n";
  }
  return text;
}

std::string DescribeCheck(const std::string& source, const ConfigCheck& check) {
  return source + ": " + DescribeVerdict(check);
}

KVResult LoadConfigurationText(const std::string& path, std::string& text, bool& found, std::string& error) {
  found = false;
  Bytes head;
  if (const KVResult r = ReadFileRange(path, 0, 2, head, error); r == kestrova::KV_OK && head[0] == 'M' && head[1] == 'Z') {
    InspectReport report;
    if (const KVResult ri = InspectInstaller(path, report, error); ri != kestrova::KV_OK) return ri;
    found = report.hasConfig;
    text.assign(report.config.begin(), report.config.end());
    return kestrova::KV_OK;
  }
  Bytes document;
  if (const KVResult r = ReadWholeFile(path, kMaxDocumentSize, document, error); r != kestrova::KV_OK) return r;
  found = true;
  text.assign(document.begin(), document.end());
  return kestrova::KV_OK;
}

}  // namespace kestrova
