// Likely mistakes in a configuration that installers accept: commands that cannot start, steps that fail when
// they run, conditions that can never be true.
#pragma once
#include <string>
#include <vector>

#include "builder/ConfigDocument.h"
#include "config/Cfg.h"

namespace kestrova {

// The warnings of a document in document order, given `cfg` as it reads on a Windows 11 x64 machine; none
// without a Launch.
// - a CreateProcess Executable with double quotes: the installer quotes the executable itself;
// - a ResultName used by two steps of one CommandSequence: the second step fails when it runs;
// - a condition on a parameter that nothing can have set before it is evaluated: the built-in SfxExitCode, the
//   ResultName of an earlier or the same step (set before its BeforeCommand), or a Set, Message ResultName,
//   SkipCommand or Abort of an action that runs earlier. Children of IfAll and IfAny are evaluated in order,
//   each with its actions, then the combination's own actions run;
// - a LanguageTag that is not a well-formed tag ("en_US" for "en-US"): no user's language ever equals it.
std::vector<ConfigFinding> FindConfigWarnings(const ConfigDocument& document, const Cfg& cfg);

}  // namespace kestrova
