// kvsfx check
#include <cstdio>

#include "builder/Cli.h"
#include "builder/ConfigCheck.h"
#include "builder/PayloadCheck.h"

namespace kestrova {

const char kCheckUsage[] =
    "usage: kvsfx check FILE [--payload DIR|ARCHIVE.7z] [--strict]\n"
    "\n"
    "Reads a configuration document (an XML file, or the configuration inside an installer) as installers read\n"
    "it, on every kind of machine (each Windows version with each processor architecture it was released for),\n"
    "and reports each problem as FILE:LINE:COLUMN: error: ... or warning: ..., with the element path and more\n"
    "explanation indented below. The last line is the verdict: FILE: valid, or FILE: invalid.\n"
    "\n"
    "Errors make installers end with an error code before anything runs: the first rule the document breaks\n"
    "(code, name, meaning), the machines where it breaks one, and two options that both fit a machine and offer\n"
    "the same language (both named by position and Id).\n"
    "\n"
    "Warnings name likely mistakes in a document that installers accept: element and attribute names they do\n"
    "not know and ignore (with the nearest known name), an option no machine ever chooses (with what its\n"
    "machines get instead), a language tag that is not well-formed, a CreateProcess Executable in double\n"
    "quotes, a ResultName used twice in one CommandSequence, a condition on a parameter that nothing sets\n"
    "before it; with --payload, a command whose program or ${TargetPath}\\... argument is not in the payload,\n"
    "and an empty payload.\n"
    "\n"
    "  --payload DIR|ARCHIVE.7z  check the commands against this payload; an archive is also read with the\n"
    "                            installer's rules (its decoders, its item paths), which are errors\n"
    "  --strict                  any warning fails the check too (for CI)\n"
    "  -h, --help                show this help\n"
    "\n"
    "Exit status 0 when the document is valid (and, with --strict, without warnings), 1 otherwise.\n";

int RunCheck(const std::vector<std::string>& arguments) {
  std::string path;
  std::string payload;
  bool strict = false;
  CommandOptions parser("check");
  parser.Positional(path, true).Value("", "payload", payload).Flag("strict", strict);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;

  std::string text;
  bool found = false;
  std::string error;
  if (LoadConfigurationText(path, text, found, error) != kestrova::KV_OK) return ReportFailure("check", error);
  std::vector<std::string> itemPaths;
  bool listed = false;
  if (!payload.empty()) {
    std::vector<PayloadItem> items;
    std::string note;
    if (ListPayload(payload, items, listed, note, error) != KV_OK) return ReportFailure("check", error);
    if (!listed) std::fprintf(stderr, "kvsfx check: note: %s\n", note.c_str());
    if (CheckArchiveItems(items, error) != KV_OK) {
      std::fflush(stdout);
      std::fprintf(stderr, "%s: error: %s\n", payload.c_str(), error.c_str());
      return kExitFailure;
    }
    itemPaths = ItemPaths(items);
  }
  if (!found) {
    std::printf("%s: no configuration: the installer runs as a plain extractor (folder dialog, progress)\n",
                path.c_str());
    return kExitOk;
  }
  const ConfigCheck check = CheckConfiguration(text, listed ? &itemPaths : nullptr);
  std::fputs(DescribeFindings(path, check).c_str(), stderr);
  const bool passed = check.Valid() && !(strict && check.warnings > 0);
  std::fputs(DescribeVerdict(path, check).c_str(), passed ? stdout : stderr);
  return passed ? kExitOk : kExitFailure;
}

}  // namespace kestrova
