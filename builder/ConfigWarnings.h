// Likely mistakes in a configuration that installers accept: commands that cannot start, steps that fail when
// they run, conditions that can never be true.
#pragma once
#include <string>
#include <vector>

namespace kestrova {

struct ConfigWarning {
  std::string elementPath;  // as in read failures: "SelfExtractor/Launch/Options/Option[2]/Commands/Command"
  std::string attribute;    // empty when the element itself is meant
  int line = 0;
  std::string text;
};

// The warnings of a document in document order; none when it does not read on a Windows 11 x64 machine
// (the check reports that) or has no Launch.
// - a CreateProcess Executable with double quotes: the installer quotes the executable itself;
// - a ResultName used by two steps of one CommandSequence: the second step fails when it runs;
// - a condition on a parameter that nothing can have set before it is evaluated: the built-in SfxExitCode, the
//   ResultName of an earlier or the same step (set before its BeforeCommand), or a Set, Message ResultName,
//   SkipCommand or Abort of an action that runs earlier. Children of IfAll and IfAny are evaluated in order,
//   each with its actions, then the combination's own actions run.
std::vector<ConfigWarning> FindConfigWarnings(const std::string& text);

// "warning: PATH, attribute NAME, line N: TEXT" (the parts that are known), without a line feed.
std::string DescribeWarning(const ConfigWarning& warning);

}  // namespace kestrova
