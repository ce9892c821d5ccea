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
  std::string meaning;
  if (code == 0) meaning = "success";
  else if (code == kestrova::KV_E_CANCELLED) meaning = "cancelled by the user (no message)";
  else if (code == kestrova::KV_E_ELEVATION_DECLINED) meaning = "the user declined elevation (no message)";
  else if ((code & 0xFF000000u) != 0xEE000000u && code < 0x10000u) meaning = "exit code of the launched command";
  const std::string message = kestrova::Utf16ToUtf8(ErrorMessageText(code));
  std::string line = "0x" + kestrova::KVFormat("{:08X}", code);
  if (!meaning.empty()) line += " " + meaning;
  if (!message.empty()) line += (meaning.empty() ? " \"" : "; message: \"") + message + "\"";
  std::fputs((line + "\n").c_str(), stdout);
  return kExitOk;
}

}  // namespace kestrova
