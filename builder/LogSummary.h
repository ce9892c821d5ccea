// What an installer's log (--logfile) says, in a few lines per run: what ran, what failed first, how it ended.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// One copy of the installer in the log: the first copy and, after a relaunch, the elevated one.
struct LoggedRun {
  std::string processId;
  std::string started;      // time of the start line
  std::string program;      // "kv-sfx VERSION started: PATH", after "started: "
  std::string commandLine;
  std::vector<std::string> facts;  // configuration, system, language, option, command
  std::vector<std::string> tasks;  // "extract_files 0x00000000 (12 ms)", "x skipped: ..."
  std::string lastCommand;         // "starting ...", "opening ..." or "relaunching elevated: ...": the last one
  std::string lastCommandExit;     // "msiexec.exe ended with exit code 1603 (0x00000643)" when it came after it
  std::string firstFailure;        // the first ERROR record
  std::string exit;                // "0xEE000001: meaning"; empty when the run ended without its exit line
};

// Reads log text: lines of other shapes are ignored; runs are ordered by their first line.
std::vector<LoggedRun> ReadLoggedRuns(std::string_view text);

// The summary `kvsfx explain --log` prints: per copy, the last command and its exit code, and the exit code of
// the run with what it means (as `kvsfx explain` tells it).
std::string SummarizeLoggedRuns(const std::vector<LoggedRun>& runs);

}  // namespace kestrova
