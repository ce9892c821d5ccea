// Configuration documents for the reader tests and the schema test: builders and the table of cases.
#pragma once
#include <string>
#include <vector>

#include "support/ErrorCodes.h"

// Whether docs/configuration.xsd must reach the reader's verdict: Agrees for structure, ReaderOnly where
// the schema cannot tell (letter-case-free Ids, references, text made of several nodes, ...).
enum class Schema { Agrees, ReaderOnly };

struct DocumentCase {
  std::string document;
  kestrova::KVResult code;
  Schema schema = Schema::Agrees;
};

struct DocumentGroup {
  const char* name;
  std::vector<DocumentCase> cases;
};

// Every group of cases, by element.
const std::vector<DocumentGroup>& DocumentGroups();

// <SelfExtractor FormatVersionMajor='5' FormatVersionMinor='2'>content</SelfExtractor>
std::string Document(const std::string& content);
// A Launch with these Option elements, after `dialogs`.
std::string LaunchDocument(const std::string& options, const std::string& dialogs = "");
// An Option with Id `id` and this content; `commands` defaults to one runnable command.
std::string OptionElement(const std::string& id, const std::string& content = "",
                          const std::string& commands = "<Command Id='run'/>");
// One option whose Commands holds `commands`.
std::string CommandsDocument(const std::string& commands);
// A sequence command "seq" with one SubCommand holding `subCommand`.
std::string StepDocument(const std::string& subCommand);
// A step running "run" with `condition` as its BeforeCommand.
std::string ConditionDocument(const std::string& condition);
// An option's sets with one entry per text; "!" in front marks an excluded OSVersion.
std::string VersionSet(const std::vector<std::string>& entries);
std::string ArchitectureSet(const std::vector<std::string>& entries);
std::string TagSet(const std::vector<std::string>& entries);
