// Which options some machine chooses, read with the installer's own selection code for every kind of machine:
// options that share a language where they both fit stop the installer there (an error naming both), and an
// option that no machine chooses is a warning naming the option its machines get instead.
#pragma once
#include <vector>

#include "builder/ConfigDocument.h"
#include "config/Cfg.h"

namespace kestrova {

// Whether a read failure is a clash of the options' languages, which this pass reports with both options.
bool IsLanguageConflict(const ConfigReadReport& report);

std::vector<ConfigFinding> FindOptionReachability(const ConfigDocument& document);

}  // namespace kestrova
