#include "builder/ConfigCheck.h"

#include <algorithm>
#include <tuple>

#include "app/RunOutcome.h"
#include "builder/ConfigNames.h"
#include "builder/ConfigPayload.h"
#include "builder/ConfigReachability.h"
#include "builder/ConfigWarnings.h"
#include "builder/FileIo.h"
#include "builder/Inspector.h"
#include "builder/MachineKinds.h"
#include "config/ConfigErrors.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {
namespace {

constexpr std::uint64_t kMaxDocumentSize = 16u << 20;

ConfigReadReport ReadOn(Cfg& cfg, const std::string& text, const MachineKind& machine) {
  SimulatedSystemFacts facts;
  facts.windowsVersion = machine.version;
  facts.nativeArch = machine.arch;
  return ReadConfiguration(cfg, text, facts);
}

// A read failure at its place; language clashes are left to the reachability pass, which names both options.
ConfigFinding FailureFinding(const ConfigDocument& document, const ConfigReadReport& report, std::string detail) {
  ConfigFinding finding;
  const XmlElementRef element = document.Find(report.location.elementPath);
  if (element) {
    finding = document.At(element, report.location.attribute.empty() ? nullptr : report.location.attribute.c_str(),
                          ConfigFinding::Severity::Error, "");
  } else {
    finding.severity = ConfigFinding::Severity::Error;
    finding.elementPath = report.location.elementPath;
    finding.attribute = report.location.attribute;
    finding.position = document.LineStart(report.location.line);
  }
  finding.text = DescribeReadFailure(report);
  finding.detail = std::move(detail);
  return finding;
}

std::string ShownText(KVResult code) {
  return "the installer would end with that code and show \"" + Utf16ToUtf8(ErrorMessageText(code)) + "\"";
}

// What differs from one machine to the next is which options fit and whether their languages clash; the
// reachability pass reads the options on every kind of machine. The rest reads alike everywhere.
std::vector<ConfigFinding> Verdict(const ConfigDocument& document, const ConfigReadReport& reference) {
  if (reference.code == KV_OK || IsLanguageConflict(reference)) return {};
  return {FailureFinding(document, reference, "on a Windows 11 x64 machine; " + ShownText(reference.code))};
}

void Add(ConfigCheck& check, std::vector<ConfigFinding> findings) {
  for (ConfigFinding& finding : findings) {
    (finding.severity == ConfigFinding::Severity::Error ? check.errors : check.warnings) += 1;
    check.findings.push_back(std::move(finding));
  }
}

}  // namespace

ConfigCheck CheckConfiguration(const std::string& text, const std::vector<std::string>* payloadItems) {
  ConfigCheck check;
  const ConfigDocument document(text);
  Cfg cfg;
  check.report = ReadOn(cfg, text, MachineKind{});
  std::vector<ConfigFinding> warnings = FindUnknownNames(document);
  Add(check, Verdict(document, check.report));
  for (ConfigFinding& finding : FindOptionReachability(document)) {
    // Clashes are errors; an unreachable option only matters in a document that reads.
    if (finding.severity == ConfigFinding::Severity::Error) {
      Add(check, {std::move(finding)});
    } else if (check.report.code == KV_OK) {
      warnings.push_back(std::move(finding));
    }
  }
  if (check.report.code == KV_OK) {
    for (ConfigFinding& finding : FindConfigWarnings(document, cfg)) warnings.push_back(std::move(finding));
  } else if (check.errors == 0) {  // a clash the reachability pass could not place: never report success
    Add(check, {FailureFinding(document, check.report, ShownText(check.report.code))});
  }
  if (payloadItems != nullptr) {
    for (ConfigFinding& finding : FindPayloadMismatches(document, *payloadItems)) warnings.push_back(std::move(finding));
  }
  std::stable_sort(warnings.begin(), warnings.end(), [](const ConfigFinding& a, const ConfigFinding& b) {
    return std::tie(a.position.line, a.position.column) < std::tie(b.position.line, b.position.column);
  });
  Add(check, std::move(warnings));
  return check;
}

std::string DescribeReadFailure(const ConfigReadReport& report) {
  const ConfigErrorDescription description = DescribeConfigError(report.code);
  std::string text = KVFormat("0x{:08X} {}: {}", report.code, description.name, description.meaning);
  if (!report.location.detail.empty()) text += ": " + report.location.detail;
  return text;
}

std::string DescribeFindings(const std::string& source, const ConfigCheck& check) {
  std::string text;
  for (const ConfigFinding& finding : check.findings) text += FormatFinding(source, finding);
  return text;
}

std::string DescribeVerdict(const std::string& source, const ConfigCheck& check) {
  const auto count = [](std::size_t n, const char* what) { return KVFormat("{} {}{}", n, what, n == 1 ? "" : "s"); };
  if (check.Valid()) return source + ": valid" + (check.warnings ? ", " + count(check.warnings, "warning") : "") + "\n";
  return source + ": invalid: " + count(check.errors, "error") +
         (check.warnings ? ", " + count(check.warnings, "warning") : "") + "\n";
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
