#include "builder/ConfigNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrova {
namespace {

const KnownElement* FindKnown(std::string_view name) {
  for (const KnownElement& element : KnownConfigElements()) {
    if (name == element.name) return &element;
  }
  return nullptr;
}

// Edits (insertions, deletions, substitutions, swaps of neighbours) between two names; a change of letter case
// alone costs a third of an edit, so "enabled" is nearer to "Enabled" than to anything else.
double Distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<double>> d(a.size() + 1, std::vector<double>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<double>(i);
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<double>(j);
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const double change = a[i - 1] == b[j - 1] ? 0 : lower(a[i - 1]) == lower(b[j - 1]) ? 1.0 / 3 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1])) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// A name as messages show it: a name of unusual length cut short.
std::string Quoted(std::string_view name) {
  constexpr std::size_t kShown = 64;
  return "\"" + std::string(name.substr(0, kShown)) + (name.size() > kShown ? "...\"" : "\"");
}

std::string Suggestion(const std::string& name, const std::vector<const char*>& known) {
  const std::string nearest = NearestName(name, known);
  if (!nearest.empty()) return "; did you mean " + Quoted(nearest) + "?";
  if (known.empty()) return "; it takes none";
  std::string list;
  for (const char* k : known) list += (list.empty() ? "" : ", ") + std::string(k);
  return "; it takes " + list;
}

void Check(const ConfigDocument& document, XmlElementRef element, const KnownElement& known,
           std::vector<ConfigFinding>& findings) {
  for (const std::string_view attribute : element.AttributeNames()) {
    if (std::find(known.attributes.begin(), known.attributes.end(), attribute) != known.attributes.end()) continue;
    const std::string name(attribute);
    findings.push_back(document.At(element, name.c_str(), ConfigFinding::Severity::Warning,
                                   "unknown attribute " + Quoted(name) + " of " + known.name +
                                       ", which installers ignore" + Suggestion(name, known.attributes)));
  }
  std::vector<XmlElementRef> children;
  element.GetChildElements(children);
  for (const XmlElementRef& child : children) {
    const std::string name(child.Name());
    const KnownElement* childKnown = nullptr;
    if (std::find(known.children.begin(), known.children.end(), name) != known.children.end()) {
      childKnown = FindKnown(name);
    }
    if (childKnown == nullptr) {
      findings.push_back(document.At(child, nullptr, ConfigFinding::Severity::Warning,
                                     "unknown element " + Quoted(name) + " in " + known.name +
                                         ", which installers ignore with all it holds" +
                                         Suggestion(name, known.children)));
      continue;
    }
    Check(document, child, *childKnown, findings);
  }
}

}  // namespace

const std::vector<KnownElement>& KnownConfigElements() {
  static const std::vector<const char*> kConditions = {"IfEqual", "IfNotEqual", "IfLess", "IfLessEqual",
                                                       "IfGreater", "IfGreaterEqual", "IfAll", "IfAny"};
  static const std::vector<const char*> kCombination = [] {
    std::vector<const char*> children = kConditions;
    children.insert(children.end(), {"IfTrue", "IfFalse"});
    return children;
  }();
  static const std::vector<const char*> kComparisonAttributes = {"Parameter", "Value"};
  static const std::vector<const char*> kActions = {"Set", "SkipCommand", "Abort", "Message"};
  static const std::vector<KnownElement> kElements = {
      {"SelfExtractor", {"FormatVersionMajor", "FormatVersionMinor"}, {"Title", "Extract", "Launch"}},
      {"Title", {}, {}},
      {"Extract", {}, {"ProgressDialog", "TargetPath", "FolderSelectionDialog"}},
      {"Launch", {}, {"ProgressDialog", "LanguageSelectionDialog", "Options"}},
      {"ProgressDialog", {"Enabled"}, {}},
      {"FolderSelectionDialog", {"Enabled"}, {}},
      {"LanguageSelectionDialog", {"Enabled"}, {}},
      {"TargetPath", {}, {}},
      {"Options", {}, {"Option"}},
      {"Option", {"Id"}, {"ProcessorArchitectureSet", "OSVersionSet", "LanguageTagSet", "Commands"}},
      {"ProcessorArchitectureSet", {}, {"ProcessorArchitecture"}},
      {"ProcessorArchitecture", {}, {}},
      {"OSVersionSet", {}, {"OSVersion"}},
      {"OSVersion", {"Exclude"}, {}},
      {"LanguageTagSet", {}, {"LanguageTag"}},
      {"LanguageTag", {}, {}},
      {"Commands", {}, {"Command", "DefaultCommand"}},
      {"DefaultCommand", {}, {}},
      // A command of Commands, or a step's (which also takes ResultName and no CommandSequence).
      {"Command", {"Id", "ResultName"}, {"ShellExecute", "CreateProcess", "CommandSequence"}},
      {"ShellExecute", {"Wait", "AsAdmin"}, {"Executable", "Arguments"}},
      {"CreateProcess", {"Hide"}, {"Executable", "Arguments"}},
      {"Executable", {}, {}},
      {"Arguments", {}, {}},
      {"CommandSequence", {}, {"SubCommand"}},
      {"SubCommand", {}, {"BeforeCommand", "Command", "AfterCommand"}},
      {"BeforeCommand", {}, kConditions},
      {"AfterCommand", {}, kConditions},
      {"IfEqual", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfNotEqual", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfLess", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfLessEqual", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfGreater", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfGreaterEqual", kComparisonAttributes, {"IfTrue", "IfFalse"}},
      {"IfAll", {}, kCombination},
      {"IfAny", {}, kCombination},
      {"IfTrue", {}, kActions},
      {"IfFalse", {}, kActions},
      {"Set", kComparisonAttributes, {}},
      {"SkipCommand", {}, {}},
      {"Abort", {}, {}},
      {"Message", {"IconType", "ResultType", "DefaultResult", "ResultName"}, {}},
  };
  return kElements;
}

std::string NearestName(const std::string& name, const std::vector<const char*>& known) {
  std::string nearest;
  double best = 0;
  for (const char* candidate : known) {
    // A name more than three letters longer or shorter is not close (and a huge one costs no time).
    const std::size_t length = std::strlen(candidate);
    if (name.size() > length + 3 || length > name.size() + 3) continue;
    const double distance = Distance(name, candidate);
    if (nearest.empty() || distance < best) {
      nearest = candidate;
      best = distance;
    }
  }
  // Close means a slip of the fingers: a few edits, fewer than a third of the longer name's letters.
  const double limit = std::min(3.0, static_cast<double>(std::max(name.size(), nearest.size())) / 3);
  return !nearest.empty() && best <= limit ? nearest : std::string();
}

std::vector<ConfigFinding> FindUnknownNames(const ConfigDocument& document) {
  std::vector<ConfigFinding> findings;
  const XmlElementRef root = document.Root();
  // Another root element is an error the verdict reports.
  if (document.Parsed() && root && root.Name() == std::string_view("SelfExtractor")) {
    Check(document, root, *FindKnown("SelfExtractor"), findings);
  }
  return findings;
}

}  // namespace kestrova
