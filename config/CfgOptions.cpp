#include "config/CfgOptions.h"

#include <utility>

#include "support/Failure.h"

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_INVALID_VALUE;
using kestrova::KV_E_NO_UNIQUE_MATCH;
using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

namespace {

bool HasTags(const CfgOption& option) { return option.LanguageTagSet && !option.LanguageTagSet->Tags.empty(); }

std::shared_ptr<CfgOption> FindOption(const CfgOptions& options, const std::u16string& id) {
  const auto found = options.OptionsById.find(id);
  return found != options.OptionsById.end() ? found->second : nullptr;
}

// At most one child named `name`, made with `parent` as its parent and parsed into `set`.
template <class Set>
KVResult ReadOptionalSet(XmlElementRef element, const char* name, CfgOption* parent, CfgReadContext& context,
                         std::shared_ptr<Set>& set) {
  XmlElementRef child;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(element, name, child));
  if (!child) return KV_OK;
  auto made = std::make_shared<Set>(parent, std::u16string());
  KV_RETURN_IF_FAILED_RECORDED(made->Parse(child, context));
  set = std::move(made);
  return KV_OK;
}

}  // namespace

KVResult CfgOption::Parse(XmlElementRef element, CfgReadContext& context) {
  KV_RETURN_IF_FAILED_RECORDED(
      ReadOptionalSet(element, "ProcessorArchitectureSet", this, context, ProcessorArchitectureSet));
  KV_RETURN_IF_FAILED_RECORDED(ReadOptionalSet(element, "OSVersionSet", this, context, OSVersionSet));
  KV_RETURN_IF_FAILED_RECORDED(ReadOptionalSet(element, "LanguageTagSet", this, context, LanguageTagSet));

  XmlElementRef child;
  KV_RETURN_IF_FAILED_RECORDED(context.RequiredChild(element, "Commands", child));
  auto commands = std::make_shared<CfgCommands>(this, std::u16string());
  KV_RETURN_IF_FAILED_RECORDED(commands->Parse(child, context));
  Commands = std::move(commands);
  return KV_OK;
}

bool CfgOption::FitsSystem(WindowsVersion version, ProcessorArch arch) const {
  if (OSVersionSet && !OSVersionSet->Matches(version)) return false;
  return !ProcessorArchitectureSet || ProcessorArchitectureSet->Contains(arch);
}

CfgOptions::CfgOptions(CfgObject* parent)
    : CfgObject(parent, {}), LanguageTags(std::make_shared<CfgLanguageTagSet>(this, std::u16string())) {}

KVResult CfgOptions::Parse(XmlElementRef element, CfgReadContext& context) {
  std::vector<XmlElementRef> entries;
  KV_RETURN_IF_FAILED_RECORDED(context.Children(element, "Option", entries));
  for (const XmlElementRef& entry : entries) {
    std::u16string id;
    KV_RETURN_IF_FAILED_RECORDED(context.Id(entry, id));
    auto option = std::make_shared<CfgOption>(this, id);
    KV_RETURN_IF_FAILED_RECORDED(option->Parse(entry, context));
    if (!OptionsById.emplace(id, std::move(option)).second) {
      return context.Fail(KV_E_INVALID_DATA, entry, "another Option has this Id (letter case does not count)", "Id");
    }
    OptionIds.push_back(std::move(id));
  }

  if (const KVResult result = FindCandidates(context.facts); result != KV_OK) {
    return context.Fail(result, element, "the Windows version could not be detected");
  }
  std::size_t culprit = 0;
  const KVResult result = CheckCandidateLanguages(culprit);
  if (result != KV_OK) {
    const std::u16string& id = CandidateIds[culprit];
    for (std::size_t i = 0; i < OptionIds.size(); ++i) {
      if (OptionIds[i] == id) {
        return context.Fail(result, entries[i],
                            "the language is ambiguous: a fitting option shares a tag with another, or a "
                            "language-neutral option fits next to another");
      }
    }
  }
  return result;
}

KVResult CfgOptions::FindCandidates(SystemFacts& facts) {
  WindowsVersion version = WindowsVersion::OtherWindows;
  KV_RETURN_IF_FAILED_RECORDED(facts.GetWindowsVersion(version));
  const ProcessorArch arch = facts.GetNativeProcessorArch();
  for (const std::u16string& id : OptionIds) {
    if (FindOption(*this, id)->FitsSystem(version, arch)) CandidateIds.push_back(id);
  }
  return KV_OK;
}

KVResult CfgOptions::CheckCandidateLanguages(std::size_t& culprit) {
  for (culprit = 0; culprit < CandidateIds.size(); ++culprit) {
    if (LanguageNeutral) return KV_E_INVALID_DATA;
    const CfgOption& option = *FindOption(*this, CandidateIds[culprit]);
    if (!HasTags(option)) {
      if (!LanguageTags->Tags.empty()) return KV_E_INVALID_DATA;
      LanguageNeutral = true;
      continue;
    }
    for (const std::u16string& tag : option.LanguageTagSet->Tags) {
      if (!LanguageTags->Tags.insert(tag).second) return KV_E_INVALID_DATA;
    }
  }
  return KV_OK;
}

KVResult CfgOptions::SelectOption(const std::u16string& tag, std::shared_ptr<CfgOption>& option) const {
  option.reset();
  if (LanguageNeutral) {
    if (CandidateIds.size() != 1) return KV_E_NO_UNIQUE_MATCH;
    option = FindOption(*this, CandidateIds.front());
    return option ? KV_OK : KV_E_NO_UNIQUE_MATCH;
  }
  if (tag.empty()) return KV_E_INVALID_VALUE;
  for (const std::u16string& id : CandidateIds) {
    const std::shared_ptr<CfgOption> candidate = FindOption(*this, id);
    if (!candidate || !HasTags(*candidate) || (option && candidate->LanguageTagSet->Tags.count(tag) != 0)) {
      option.reset();
      return KV_E_NO_UNIQUE_MATCH;
    }
    if (candidate->LanguageTagSet->Tags.count(tag) != 0) option = candidate;
  }
  return option ? KV_OK : KV_E_NO_UNIQUE_MATCH;
}
