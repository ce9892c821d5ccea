// The kvsfx command line: subcommands listed in one table, each with its own usage text and --help.
#pragma once
#include <string>
#include <vector>

#include "support/CmdLineParser.h"

namespace kestrova {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// One subcommand: `kvsfx NAME ARGUMENTS...`. A new one is a function and a row in the table in Cli.cpp.
struct Subcommand {
  const char* name;
  const char* summary;  // one line of the overview
  const char* usage;    // what `kvsfx NAME --help` prints
  int (*run)(const std::vector<std::string>& arguments);  // the arguments after NAME; returns the exit status
};

// Runs the command line (element 0 is the program) and returns the exit status.
int RunKvsfx(const std::vector<std::string>& argv);

// The options of one subcommand, parsed with the project's command-line parser.
class CommandOptions {
 public:
  explicit CommandOptions(const char* command);
  CommandOptions& Value(const char* shortName, const char* longName, std::string& target);
  CommandOptions& Flag(const char* longName, bool& target);
  CommandOptions& Positional(std::string& target, bool required);
  // kExitOk, or kExitUsage after reporting the problem on standard error.
  int Parse(const std::vector<std::string>& arguments);
  // Reports a wrong command line on standard error; returns kExitUsage.
  int UsageError(const std::string& message) const;

 private:
  std::string command_;
  kestrova::KVCmdLineParser parser_;
};

// Reports a failed command on standard error ("kvsfx COMMAND: MESSAGE"); returns kExitFailure.
int ReportFailure(const char* command, const std::string& message);

// The subcommands.
int RunBuild(const std::vector<std::string>& arguments);
int RunInspect(const std::vector<std::string>& arguments);
int RunExplain(const std::vector<std::string>& arguments);
int RunCheck(const std::vector<std::string>& arguments);
int RunPlanCommand(const std::vector<std::string>& arguments);
extern const char kBuildUsage[];
extern const char kInspectUsage[];
extern const char kExplainUsage[];
extern const char kCheckUsage[];
extern const char kPlanUsage[];

}  // namespace kestrova
