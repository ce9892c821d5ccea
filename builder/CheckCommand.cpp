// kvsfx check
#include <cstdio>

#include "builder/Cli.h"
#include "builder/ConfigCheck.h"

namespace kestrova {

const char kCheckUsage[] =
    "usage: kvsfx check FILE\n"
    "\n"
    "Reads a configuration document (an XML file, or the configuration inside an installer) as installers read\n"
    "it and reports the first rule it breaks: the error code and its name, what it means, the element path,\n"
    "the attribute and the line. A document that reads on a Windows 11 x64 machine is also read for every\n"
    "other Windows version and processor architecture, since the options that fit a machine may collide in\n"
    "their language tags there. Exit status 0 when the document is valid everywhere, 1 otherwise.\n"
    "\n"
    "Warnings, which leave the exit status as it is, name likely mistakes in a document that reads: a\n"
    "CreateProcess Executable in double quotes (the installer quotes it itself), a ResultName used twice in\n"
    "one CommandSequence (the second step fails), and a condition on a parameter that nothing can have set\n"
    "before it (no earlier step's ResultName, no earlier Set or Message ResultName, not SfxExitCode), which\n"
    "is always false.\n"
    "\n"
    "  -h, --help   show this help\n";

int RunCheck(const std::vector<std::string>& arguments) {
  std::string path;
  CommandOptions parser("check");
  parser.Positional(path, true);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;

  std::string text;
  bool found = false;
  std::string error;
  if (LoadConfigurationText(path, text, found, error) != kestrova::KV_OK) return ReportFailure("check", error);
  if (!found) {
    std::printf("%s: no configuration: the installer runs as a plain extractor (folder dialog, progress)\n",
                path.c_str());
    return kExitOk;
  }
  const ConfigCheck check = CheckConfiguration(text);
  std::fputs(DescribeCheck(path, check).c_str(), check.Valid() ? stdout : stderr);
  std::fflush(stdout);
  for (const ConfigWarning& warning : check.warnings) std::fprintf(stderr, "%s\n", DescribeWarning(warning).c_str());
  return check.Valid() ? kExitOk : kExitFailure;
}

}  // namespace kestrova
