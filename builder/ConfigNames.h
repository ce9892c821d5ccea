// The element and attribute names installers read, and the pass that reports the others: installers ignore a
// name they do not know, so a misspelt one silently drops what it was meant to say.
#pragma once
#include <string>
#include <vector>

#include "builder/ConfigDocument.h"

namespace kestrova {

// An element name with the attributes and child elements it may have, wherever it appears (docs/configuration.xsd
// describes the same names; a test keeps the two in step).
struct KnownElement {
  const char* name;
  std::vector<const char*> attributes;
  std::vector<const char*> children;
};
const std::vector<KnownElement>& KnownConfigElements();

// The known name closest to `name` in spelling (letter case counts little), or empty when none is close.
std::string NearestName(const std::string& name, const std::vector<const char*>& known);

// Warnings for every element and attribute name the installer does not read where it stands, each with the
// nearest known name.
std::vector<ConfigFinding> FindUnknownNames(const ConfigDocument& document);

}  // namespace kestrova
