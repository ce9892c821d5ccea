// The sets of an option that decide where it fits: language tags, processor architectures, Windows versions.
#pragma once
#include <set>
#include <string>

#include "config/CfgObject.h"
#include "config/CfgReadContext.h"
#include "config/SystemInfo.h"

// LanguageTag texts as written; compared exactly, letter case included.
class CfgLanguageTagSet final : public CfgObject {
 public:
  using CfgObject::CfgObject;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);

  std::set<std::u16string> Tags;
};

class CfgProcessorArchitectureSet final : public CfgObject {
 public:
  using CfgObject::CfgObject;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  bool Contains(ProcessorArch arch) const { return Architectures.count(arch) != 0; }

  std::set<ProcessorArch> Architectures;
};

// OSVersion entries, split into included and excluded ones. An entry written with "+" (this version or a
// later one of the same kind) is in its set and also in the later-field of its kind; 0 means none.
class CfgOSVersionSet final : public CfgObject {
 public:
  using CfgObject::CfgObject;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  // Exclusion wins; a "+" entry covers greater values of the system's kind (workstation or server) only.
  bool Matches(WindowsVersion version) const;

  std::set<WindowsVersion> Included;
  WindowsVersion IncludedLaterWorkstation = WindowsVersion::OtherWindows;
  WindowsVersion IncludedLaterServer = WindowsVersion::OtherWindows;
  std::set<WindowsVersion> Excluded;
  WindowsVersion ExcludedLaterWorkstation = WindowsVersion::OtherWindows;
  WindowsVersion ExcludedLaterServer = WindowsVersion::OtherWindows;
};
