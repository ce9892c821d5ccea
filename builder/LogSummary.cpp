#include "builder/LogSummary.h"

#include <algorithm>
#include <cstdint>

#include "builder/ExitCodeMeaning.h"

namespace kestrova {
namespace {

// "2026-12-06 21:30:01.123 [1234:5678] text": the stamp is 23 characters, then the ids in brackets.
struct LogLine {
  std::string_view time;
  std::string_view processId;
  std::string_view text;
};

bool ParseLine(std::string_view line, LogLine& parsed) {
  constexpr std::size_t kStamp = 23;
  if (line.size() < kStamp + 4 || line[kStamp] != ' ' || line[kStamp + 1] != '[') return false;
  const std::size_t close = line.find("] ", kStamp);
  const std::size_t colon = line.find(':', kStamp);
  if (close == std::string_view::npos || colon == std::string_view::npos || colon > close) return false;
  parsed.time = line.substr(0, kStamp);
  parsed.processId = line.substr(kStamp + 2, colon - kStamp - 2);
  parsed.text = line.substr(close + 2);
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string After(std::string_view text, std::string_view prefix) { return std::string(text.substr(prefix.size())); }

// "task NAME ended after N ms: CODE" becomes "NAME CODE (N ms)"; a skipped task keeps its reason.
std::string TaskText(std::string_view text) {
  const std::string_view rest = text.substr(5);
  const std::size_t ended = rest.find(" ended after ");
  if (ended == std::string_view::npos) return std::string(rest);
  const std::string_view name = rest.substr(0, ended);
  const std::string_view duration = rest.substr(ended + 13);
  const std::size_t colon = duration.find(": ");
  if (colon == std::string_view::npos) return std::string(rest);
  return std::string(name) + " " + std::string(duration.substr(colon + 2)) + " (" +
         std::string(duration.substr(0, colon)) + ")";
}

void Take(LoggedRun& run, std::string_view time, std::string_view text) {
  if (run.started.empty()) run.started = std::string(time);
  if (StartsWith(text, "kv-sfx ")) {
    const std::size_t started = text.find(" started: ");
    run.program = std::string(started == std::string_view::npos ? text : text.substr(started + 10));
  } else if (StartsWith(text, "command line: ")) {
    run.commandLine = After(text, "command line: ");
  } else if (StartsWith(text, "configuration: ") || StartsWith(text, "system: ") ||
             StartsWith(text, "language: ") || StartsWith(text, "option: ") || StartsWith(text, "command: ")) {
    run.facts.emplace_back(text);
  } else if (StartsWith(text, "task ") && text.find(" started") == std::string_view::npos) {
    run.tasks.push_back(TaskText(text));
  } else if (StartsWith(text, "starting ") || StartsWith(text, "opening ") ||
             StartsWith(text, "relaunching elevated: ")) {
    run.lastCommand = std::string(text);
    run.lastCommandExit.clear();
  } else if (text.find(" ended with exit code ") != std::string_view::npos) {
    run.lastCommandExit = std::string(text);
  } else if (StartsWith(text, "ERROR: ") && run.firstFailure.empty()) {
    run.firstFailure = std::string(text);
  } else if (StartsWith(text, "exit ")) {
    run.exit = After(text, "exit ");
  }
}

// "0x00000643: ..." as the exit line logs it.
bool ParseExitCode(std::string_view text, std::uint32_t& code) {
  if (text.size() < 10 || text.substr(0, 2) != "0x") return false;
  code = 0;
  for (const char c : text.substr(2, 8)) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    code = code * 16 + static_cast<std::uint32_t>(digit);
  }
  return true;
}

}  // namespace

std::vector<LoggedRun> ReadLoggedRuns(std::string_view text) {
  std::vector<LoggedRun> runs;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    LogLine parsed;
    if (!ParseLine(line, parsed)) continue;
    // A process id may come back in a later run of the same log: a new start line opens a new run.
    const bool start = StartsWith(parsed.text, "kv-sfx ");
    auto run = std::find_if(runs.rbegin(), runs.rend(),
                            [&](const LoggedRun& r) { return r.processId == parsed.processId; });
    if (run == runs.rend() || (start && !run->program.empty())) {
      runs.push_back(LoggedRun{});
      runs.back().processId = std::string(parsed.processId);
      Take(runs.back(), parsed.time, parsed.text);
    } else {
      Take(*run, parsed.time, parsed.text);
    }
  }
  return runs;
}

std::string SummarizeLoggedRuns(const std::vector<LoggedRun>& runs) {
  if (runs.empty()) return "no installer run in this log\n";
  std::string out;
  for (const LoggedRun& run : runs) {
    const bool elevated = run.commandLine.find("--internal 1") != std::string::npos;
    out += "run of process " + run.processId + (elevated ? " (the elevated copy)" : "") + ", " + run.started + "\n";
    if (!run.program.empty()) out += "  program:      " + run.program + "\n";
    if (!run.commandLine.empty()) out += "  command line: " + run.commandLine + "\n";
    for (const std::string& fact : run.facts) out += "  " + fact + "\n";
    for (const std::string& task : run.tasks) out += "  task " + task + "\n";
    if (!run.lastCommand.empty()) {
      out += "  last command: " + run.lastCommand + "\n";
      out += "  its result:   " +
             (run.lastCommandExit.empty() ? std::string("no exit code logged (not waited for, or not started)")
                                          : run.lastCommandExit) + "\n";
    }
    out += "  first failure: " + (run.firstFailure.empty() ? std::string("none") : run.firstFailure) + "\n";
    out += "  exit " + (run.exit.empty() ? std::string("unknown: the log ends before the run did (ended abnormally?)")
                                         : run.exit) + "\n";
    // A failed run's line names its message; a code the commands left is explained as `kvsfx explain` does.
    std::uint32_t code = 0;
    if (run.exit.find("the run failed") == std::string::npos && ParseExitCode(run.exit, code) && code != 0) {
      out += "  meaning: " + ExplainExitCode(code) + "\n";
    }
  }
  return out;
}

}  // namespace kestrova
