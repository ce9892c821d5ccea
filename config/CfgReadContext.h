// What reading the configuration needs besides the document: the system's facts, and the place of the
// first violation for callers that want to show it.
#pragma once
#include <string>
#include <vector>

#include "config/SystemInfo.h"
#include "support/ErrorCodes.h"
#include "support/XmlDocument.h"

// Where reading stopped. Filled for the first failure only; empty after success.
struct ConfigErrorLocation {
  // Element names from the root down, "SelfExtractor/Launch/Options/Option[2]/Commands/Command"; a name
  // carries its 1-based position among same-named siblings exactly when there are several. Empty when the
  // failure concerns the document as a whole (not well-formed, no SelfExtractor).
  std::string elementPath;
  std::string attribute;  // the attribute at fault; empty when it is the element itself
  int line = 0;           // 1-based line of the attribute, the element or the XML syntax error; 0 unknown
  std::string detail;     // the rule that was broken, in a few English words
};

// Passed down through every Parse. Each failure goes through Fail, which keeps the first location.
class CfgReadContext {
 public:
  CfgReadContext(SystemFacts& systemFacts, ConfigErrorLocation* location) : facts(systemFacts), location_(location) {}

  SystemFacts& facts;

  // Records `element` (and `attribute`) as the place of the failure unless one is recorded; returns `code`.
  kestrova::KVResult Fail(kestrova::KVResult code, kestrova::XmlElementRef element, const char* detail,
                          const char* attribute = nullptr);
  // 0 when `result` is 0, else Fail with it.
  kestrova::KVResult Check(kestrova::KVResult result, kestrova::XmlElementRef element, const char* detail,
                           const char* attribute = nullptr);
  // The same for a failure that only has a line (an XML syntax error).
  kestrova::KVResult FailAtLine(kestrova::KVResult code, int line, std::string detail);

  // The child elements named `name`: at most one (`child` is null when there is none), exactly one, or
  // one or more. A wrong count is KV_E_INVALID_DATA, placed at the second child or, for none, at `parent`.
  kestrova::KVResult OptionalChild(kestrova::XmlElementRef parent, const char* name, kestrova::XmlElementRef& child);
  kestrova::KVResult RequiredChild(kestrova::XmlElementRef parent, const char* name, kestrova::XmlElementRef& child);
  kestrova::KVResult Children(kestrova::XmlElementRef parent, const char* name,
                              std::vector<kestrova::XmlElementRef>& children);

  // Value readers of the document's types, placing their failures.
  kestrova::KVResult Text(kestrova::XmlElementRef element, std::u16string& value);
  kestrova::KVResult Id(kestrova::XmlElementRef element, std::u16string& id);
  // A required attribute: absent is KV_E_NOT_FOUND.
  kestrova::KVResult RequiredString(kestrova::XmlElementRef element, const char* name, std::u16string& value);
  kestrova::KVResult RequiredBool(kestrova::XmlElementRef element, const char* name, bool& value);
  // An optional boolean: absent gives `absentValue`.
  kestrova::KVResult OptionalBool(kestrova::XmlElementRef element, const char* name, bool absentValue, bool& value);

 private:
  ConfigErrorLocation* location_;
  bool failed_ = false;
};
