// kvsfx explain
#include <cstdio>

#include "builder/Cli.h"
#include "builder/ExitCodeMeaning.h"
#include "builder/FileIo.h"
#include "builder/LogSummary.h"
#include "commands/Parameters.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {

const char kExplainUsage[] =
    "usage: kvsfx explain CODE\n"
    "       kvsfx explain --log FILE\n"
    "\n"
    "Tells what an installer's exit code means (decimal, or hexadecimal with 0x): for the installer's own\n"
    "0xEE... codes the message it showed; for any other code, which is a command's exit code passed on (and\n"
    "shown with no message), its Windows meaning where one is known (1603, 1618, 3010 ...). With --log, reads\n"
    "the log an installer wrote (--logfile) and tells, for each copy of the installer in it, what ran, the last\n"
    "command started and its exit code, what failed first and how the run ended.\n";

namespace {

// Logs are small; a bound keeps a wrong file from filling the memory.
constexpr std::uint64_t kMaxLogSize = 256u << 20;

int ExplainLog(const std::string& path) {
  Bytes bytes;
  std::string error;
  if (ReadWholeFile(path, kMaxLogSize, bytes, error) != KV_OK) return ReportFailure("explain", error);
  const std::string text(bytes.begin(), bytes.end());
  std::fputs(SummarizeLoggedRuns(ReadLoggedRuns(text)).c_str(), stdout);
  return kExitOk;
}

}  // namespace

int RunExplain(const std::vector<std::string>& arguments) {
  std::string text;
  std::string log;
  CommandOptions parser("explain");
  parser.Value("", "log", log).Positional(text, false);
  if (const int status = parser.Parse(arguments); status != kExitOk) return status;
  if (!log.empty()) {
    if (!text.empty()) return parser.UsageError("give a code or --log FILE, not both");
    return ExplainLog(log);
  }
  if (text.empty()) return parser.UsageError("no code given");
  std::uint32_t code = 0;
  if (ParseNumber(kestrova::Utf8ToUtf16(text), code) != kestrova::KV_OK) {
    return parser.UsageError("not a number: " + text);
  }
  std::fputs((ExplainExitCode(code) + "\n").c_str(), stdout);
  return kExitOk;
}

}  // namespace kestrova
