// The options of a launch configuration and the choice of one of them.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/CfgCommands.h"
#include "config/CfgObject.h"
#include "config/CfgReadContext.h"
#include "config/CfgSets.h"

class CfgOption final : public CfgObject {
 public:
  using CfgObject::CfgObject;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  // Whether the option suits a system: an absent set fits every system.
  bool FitsSystem(WindowsVersion version, ProcessorArch arch) const;

  std::shared_ptr<CfgLanguageTagSet> LanguageTagSet;                  // empty: language-neutral
  std::shared_ptr<CfgProcessorArchitectureSet> ProcessorArchitectureSet;  // empty: every architecture
  std::shared_ptr<CfgOSVersionSet> OSVersionSet;                      // empty: every Windows version
  std::shared_ptr<CfgCommands> Commands;                              // always set once read
};

class CfgOptions final : public CfgObject {
 public:
  explicit CfgOptions(CfgObject* parent);
  // Reads the options, then finds the candidates (the options that fit the system's Windows version and
  // native architecture, taken once here) and checks their language tags for ambiguity.
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  // The candidate carrying `tag` exactly; with LanguageNeutral the single candidate (the tag is not looked
  // at). KV_E_INVALID_VALUE for an empty tag otherwise, KV_E_NO_UNIQUE_MATCH when no single option has it.
  kestrova::KVResult SelectOption(const std::u16string& tag, std::shared_ptr<CfgOption>& option) const;

  std::unordered_map<std::u16string, std::shared_ptr<CfgOption>> OptionsById;
  std::vector<std::u16string> OptionIds;        // every option's Id in document order (for listings)
  std::vector<std::u16string> CandidateIds;     // in document order
  std::shared_ptr<CfgLanguageTagSet> LanguageTags;  // the union of the candidates' tags, offered to the user
  bool LanguageNeutral = false;                 // the single candidate has no tags

 private:
  kestrova::KVResult FindCandidates(SystemFacts& facts);
  // The index into CandidateIds of the candidate that makes the languages ambiguous, through `culprit`.
  kestrova::KVResult CheckCandidateLanguages(std::size_t& culprit);
};
