// kvsfx explain
#include <cstdio>

#include "app/RunOutcome.h"
#include "builder/Cli.h"
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
    "Tells what an installer's exit code means (decimal, or hexadecimal with 0x), and the message the\n"
    "installer showed for it. With --log, reads the log an installer wrote (--logfile) and tells, for each\n"
    "copy of the installer in it, what ran, what failed first and how the run ended.\n";

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
  const std::string line = kestrova::KVFormat("0x{:08X} {}", code, ExitCodeMeaning(code));
  std::fputs((line + "\n").c_str(), stdout);
  return kExitOk;
}

}  // namespace kestrova
