#include "builder/Cli.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace kestrova {

namespace {

const Subcommand kSubcommands[] = {
    {"build", "make an installer from the stub, a configuration and a payload", kBuildUsage, RunBuild},
    {"inspect", "show what an installer holds: stub, resources, configuration, payload, signature", kInspectUsage,
     RunInspect},
    {"check", "check a configuration (a document or an installer's) as installers read it", kCheckUsage, RunCheck},
    {"plan", "tell what an installer would do on a given machine", kPlanUsage, RunPlanCommand},
    {"explain", "tell what an installer's exit code means", kExplainUsage, RunExplain},
};

const Subcommand* FindSubcommand(const std::string& name) {
  for (const Subcommand& s : kSubcommands) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

void PrintOverview(std::FILE* stream) {
  std::fputs(
      "usage: kvsfx COMMAND [ARGUMENTS...]\n"
      "       kvsfx help COMMAND    (or kvsfx COMMAND --help)\n"
      "\n"
      "Builds and inspects kv-sfx installers.\n"
      "\n"
      "commands:\n",
      stream);
  for (const Subcommand& s : kSubcommands) std::fprintf(stream, "  %-9s %s\n", s.name, s.summary);
  std::fputs("\nExit status: 0 on success, 1 when the command failed, 2 for a wrong command line.\n", stream);
}

bool IsHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

// A switch: an option without a value whose presence sets the caller's flag.
class FlagOption : public kestrova::KVCmdLineParser::ArgBase {
 public:
  FlagOption(const char* longName, bool& target) : ArgBase(false, &target), longName_(longName) {}
  std::string LongName() const override { return longName_; }
  kestrova::KVResult ProcessValue(const std::string& /*text*/) override { return kestrova::KV_OK; }

 private:
  std::string longName_;
};

}  // namespace

CommandOptions::CommandOptions(const char* command) : command_(command) {
  parser_.SetErrorOutput([this](const std::string& message) { UsageError(message); });
}

CommandOptions& CommandOptions::Value(const char* shortName, const char* longName, std::string& target) {
  parser_.AddOption({shortName, longName, false}, target);
  return *this;
}

CommandOptions& CommandOptions::Flag(const char* longName, bool& target) {
  parser_.AddOption(std::make_unique<FlagOption>(longName, target));
  return *this;
}

CommandOptions& CommandOptions::Positional(std::string& target, bool required) {
  parser_.AddArgument(target, required);
  return *this;
}

int CommandOptions::Parse(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"kvsfx " + command_};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return parser_.Parse(argv) == kestrova::KV_OK ? kExitOk : kExitUsage;
}

int CommandOptions::UsageError(const std::string& message) const {
  std::fprintf(stderr, "kvsfx %s: %s\nRun 'kvsfx %s --help' for its usage.\n", command_.c_str(), message.c_str(),
               command_.c_str());
  return kExitUsage;
}

int ReportFailure(const char* command, const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "kvsfx %s: %s\n", command, message.c_str());
  return kExitFailure;
}

int RunKvsfx(const std::vector<std::string>& argv) {
  if (argv.size() < 2) {
    PrintOverview(stderr);
    return kExitUsage;
  }
  const std::string& first = argv[1];
  if (IsHelp(first) || first == "help") {
    if (first == "help" && argv.size() > 2) {
      const Subcommand* s = FindSubcommand(argv[2]);
      if (s == nullptr) {
        std::fprintf(stderr, "kvsfx: unknown command '%s'\n", argv[2].c_str());
        return kExitUsage;
      }
      std::fputs(s->usage, stdout);
      return kExitOk;
    }
    PrintOverview(stdout);
    return kExitOk;
  }
  if (first == "--version") {
    std::printf("kvsfx %s\n", KVSFX_VERSION);
    return kExitOk;
  }
  const Subcommand* s = FindSubcommand(first);
  if (s == nullptr) {
    std::fprintf(stderr, "kvsfx: unknown command '%s'\nRun 'kvsfx --help' for the list of commands.\n",
                 first.c_str());
    return kExitUsage;
  }
  const std::vector<std::string> arguments(argv.begin() + 2, argv.end());
  for (const std::string& a : arguments) {
    if (a == "--") break;  // what follows is another program's (kvsfx plan ... -- ARGUMENTS)
    if (IsHelp(a)) {
      std::fputs(s->usage, stdout);
      return kExitOk;
    }
  }
  const int status = s->run(arguments);
  std::fflush(stdout);
  return status;
}

}  // namespace kestrova
