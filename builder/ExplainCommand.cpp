// kvsfx explain
#include <cstdio>

#include "app/RunOutcome.h"
#include "builder/Cli.h"
#include "commands/Parameters.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {

const char kExplainUsage[] =
    "usage: kvsfx explain CODE\n"
    "\n"
    "Tells what an installer's exit code means (decimal, or hexadecimal with 0x), and the message the\n"
    "installer showed for it.\n";

int RunExplain(const std::vector<std::string>& arguments) {
  std::string text;
  CommandOptions parser("explain");
  parser.Positional(text, true);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;
  std::uint32_t code = 0;
  if (ParseNumber(kestrova::Utf8ToUtf16(text), code) != kestrova::KV_OK) {
    return parser.UsageError("not a number: " + text);
  }
  const std::string line = kestrova::KVFormat("0x{:08X} {}", code, ExitCodeMeaning(code));
  std::fputs((line + "\n").c_str(), stdout);
  return kExitOk;
}

}  // namespace kestrova
