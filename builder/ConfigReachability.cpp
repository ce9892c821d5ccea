#include "builder/ConfigReachability.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "builder/MachineKinds.h"
#include "config/CfgOptions.h"
#include "config/SimulatedSystemFacts.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {
namespace {

constexpr std::size_t kMachinesListed = 4;
constexpr char kConflictDetail[] = "the language is ambiguous";

struct OptionEntry {
  XmlElementRef element;
  std::shared_ptr<CfgOption> option;
};

std::string Name(const std::vector<OptionEntry>& options, std::size_t index) {
  return KVFormat("Option[{}] (Id \"{}\")", index + 1, Utf16ToUtf8(options[index].option->Id));
}

const std::set<std::u16string>* Tags(const CfgOption& option) {
  return option.LanguageTagSet && !option.LanguageTagSet->Tags.empty() ? &option.LanguageTagSet->Tags : nullptr;
}

// The first language tag both options offer; null when they share none or one of them offers no language.
const std::u16string* SharedTag(const CfgOption& first, const CfgOption& second) {
  const auto* a = Tags(first);
  const auto* b = Tags(second);
  if (a == nullptr || b == nullptr) return nullptr;
  for (const std::u16string& tag : *a) {
    if (b->count(tag) != 0) return &tag;
  }
  return nullptr;
}

// Two options that fit one machine clash when they share a tag or one of them offers no language.
bool Clash(const CfgOption& first, const CfgOption& second) {
  return Tags(first) == nullptr || Tags(second) == nullptr || SharedTag(first, second) != nullptr;
}

std::string ClashText(const CfgOption& first, const CfgOption& second) {
  if (const std::u16string* tag = SharedTag(first, second)) return "both offer \"" + Utf16ToUtf8(*tag) + "\"";
  return "one of them is language-neutral (no LanguageTagSet), which must be the only option that fits";
}

std::string MachineList(const std::vector<MachineKind>& machines) {
  std::string text;
  for (std::size_t i = 0; i < machines.size() && i < kMachinesListed; ++i) text += (i ? ", " : "") + MachineText(machines[i]);
  if (machines.size() > kMachinesListed) text += KVFormat(" and {} more", machines.size() - kMachinesListed);
  return text;
}

class Reachability {
 public:
  Reachability(const ConfigDocument& document, XmlElementRef optionsElement, std::vector<OptionEntry> options)
      : document_(document), optionsElement_(optionsElement), options_(std::move(options)) {
    for (std::size_t i = 0; i < options_.size(); ++i) indexById_[options_[i].option->Id] = i;
  }

  std::vector<ConfigFinding> Run() {
    for (const MachineKind& machine : EveryMachineKind()) Read(machine);
    std::vector<ConfigFinding> findings;
    for (const auto& [pair, machines] : conflicts_) {
      const auto [first, second] = pair;
      findings.push_back(document_.At(
          options_[second].element, "Id", ConfigFinding::Severity::Error,
          KVFormat("{} and {} both fit {} and {}: installers there end with 0x{:08X} before anything runs",
                   Name(options_, first), Name(options_, second), machines.size() == 1 ? "one machine" : "machines",
                   ClashText(*options_[first].option, *options_[second].option), KV_E_INVALID_DATA),
          "on " + MachineList(machines)));
    }
    for (std::size_t i = 0; i < options_.size(); ++i) {
      if (chosen_.count(i) == 0) findings.push_back(Unreachable(i));
    }
    return findings;
  }

 private:
  // What the installer's reader makes of the options on one kind of machine.
  struct Outcome {
    bool read = false;
    std::optional<std::pair<std::size_t, std::size_t>> clash;  // the options, by index
    std::vector<std::u16string> offered;
    std::u16string neutral;  // the single language-neutral candidate's Id
  };

  // Machines on which the same options fit read the same: the reader runs once for each such set of options.
  void Read(const MachineKind& machine) {
    std::vector<bool> fits(options_.size());
    for (std::size_t i = 0; i < options_.size(); ++i) fits[i] = options_[i].option->FitsSystem(machine.version, machine.arch);
    const auto [entry, fresh] = outcomes_.try_emplace(fits);
    if (fresh) entry->second = ReadOptions(machine, fits);
    const Outcome& outcome = entry->second;
    if (outcome.clash) conflicts_[*outcome.clash].push_back(machine);
    if (outcome.read) reads_.push_back({machine, outcome.offered, outcome.neutral});
  }

  Outcome ReadOptions(const MachineKind& machine, const std::vector<bool>& fits) {
    SimulatedSystemFacts facts;
    facts.windowsVersion = machine.version;
    facts.nativeArch = machine.arch;
    ConfigErrorLocation location;
    CfgReadContext context(facts, &location);
    CfgOptions options(nullptr);
    Outcome outcome;
    if (options.Parse(optionsElement_, context) != KV_OK) {
      if (location.detail.rfind(kConflictDetail, 0) == 0) outcome.clash = FindClash(location, fits);
      return outcome;
    }
    // The reader took these candidates and found no clash among their tags: SelectOption gives each of them for
    // its own tags (and the single language-neutral candidate for any), so each is chosen there.
    for (const std::u16string& id : options.CandidateIds) chosen_.insert(indexById_.at(id));
    outcome.read = true;
    outcome.offered.assign(options.LanguageTags->Tags.begin(), options.LanguageTags->Tags.end());
    if (options.LanguageNeutral) outcome.neutral = options.CandidateIds.front();
    return outcome;
  }

  // The reader names the second option of a clash; the first is the earlier fitting one it clashes with.
  std::optional<std::pair<std::size_t, std::size_t>> FindClash(const ConfigErrorLocation& location,
                                                                const std::vector<bool>& fits) const {
    std::size_t second = options_.size();
    for (std::size_t i = 0; i < options_.size() && second == options_.size(); ++i) {
      if (document_.PathOf(options_[i].element) == location.elementPath) second = i;
    }
    for (std::size_t first = 0; first < second; ++first) {
      if (fits[first] && Clash(*options_[first].option, *options_[second].option)) return std::pair{first, second};
    }
    return std::nullopt;
  }

  // Where the option would be wanted (its architectures, or every one) and what those machines get instead.
  ConfigFinding Unreachable(std::size_t index) const {
    const CfgOption& option = *options_[index].option;
    bool fitsSome = false;
    for (const MachineKind& machine : EveryMachineKind()) fitsSome = fitsSome || option.FitsSystem(machine.version, machine.arch);
    std::string text = Name(options_, index) + " is chosen on no machine: ";
    if (fitsSome) {
      text += "wherever it fits, another option clashes with it";
    } else if (!option.ProcessorArchitectureSet) {
      text += "its OSVersionSet leaves no Windows version";
    } else {
      text += "its ProcessorArchitectureSet and OSVersionSet fit no Windows release (x86 ends with Windows 10, "
              "ARM64 starts with W10_1709, servers since 2008 R2 are x64)";
    }
    const auto* tags = Tags(option);
    const std::u16string tag = tags != nullptr ? *tags->begin() : std::u16string();
    std::string instead;
    for (const MachineRead& read : reads_) {
      if (option.ProcessorArchitectureSet && !option.ProcessorArchitectureSet->Contains(read.machine.arch)) continue;
      instead = InsteadText(read, tag);
      if (!instead.empty()) break;
    }
    return document_.At(options_[index].element, "Id", ConfigFinding::Severity::Warning, text,
                        instead.empty() ? std::string() : instead);
  }

  struct MachineRead {
    MachineKind machine;
    std::vector<std::u16string> offered;
    std::u16string neutral;  // the single language-neutral candidate's Id
  };

  std::string InsteadText(const MachineRead& read, const std::u16string& tag) const {
    const std::string where = "on " + MachineText(read.machine);
    if (!read.neutral.empty()) {
      return where + ", " + Name(options_, indexById_.at(read.neutral)) + " is chosen for every language instead";
    }
    if (read.offered.empty()) return {};
    std::string offered;
    for (const std::u16string& t : read.offered) offered += (offered.empty() ? "" : ", ") + Utf16ToUtf8(t);
    const bool has = std::find(read.offered.begin(), read.offered.end(), tag) != read.offered.end();
    if (has) return where + ", another option takes \"" + Utf16ToUtf8(tag) + "\" instead (offered: " + offered + ")";
    return where + ", the installer offers " + offered + (tag.empty() ? "" : " and no \"" + Utf16ToUtf8(tag) + "\"") +
           ": users of that language get one of those options instead";
  }

  const ConfigDocument& document_;
  XmlElementRef optionsElement_;
  std::vector<OptionEntry> options_;
  std::map<std::u16string, std::size_t> indexById_;
  std::set<std::size_t> chosen_;
  std::map<std::pair<std::size_t, std::size_t>, std::vector<MachineKind>> conflicts_;
  std::map<std::vector<bool>, Outcome> outcomes_;
  std::vector<MachineRead> reads_;
};

XmlElementRef Child(XmlElementRef parent, const char* name) {
  std::vector<XmlElementRef> children;
  parent.GetChildElements(name, children);
  return children.size() == 1 ? children.front() : XmlElementRef();
}

}  // namespace

bool IsLanguageConflict(const ConfigReadReport& report) {
  return report.location.detail.rfind(kConflictDetail, 0) == 0;
}

std::vector<ConfigFinding> FindOptionReachability(const ConfigDocument& document) {
  const XmlElementRef optionsElement = Child(Child(document.Root(), "Launch"), "Options");
  if (!optionsElement) return {};
  // Each option read on its own, as the reader does; any failure there is the verdict's to report.
  std::vector<XmlElementRef> elements;
  optionsElement.GetChildElements("Option", elements);
  std::vector<OptionEntry> options;
  SimulatedSystemFacts facts;
  CfgReadContext context(facts, nullptr);
  CfgOptions parent(nullptr);
  for (const XmlElementRef& element : elements) {
    std::u16string id;
    auto option = std::make_shared<CfgOption>(&parent, u"");
    if (context.Id(element, id) != KV_OK || option->Parse(element, context) != KV_OK) return {};
    option->Id = id;
    options.push_back({element, std::move(option)});
  }
  return Reachability(document, optionsElement, std::move(options)).Run();
}

}  // namespace kestrova
