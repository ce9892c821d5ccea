// The process-wide parsed command line.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/CmdLineParser.h"
#include "support/ErrorCodes.h"

namespace CmdLine {
enum class SFXGuiMode : std::uint32_t { NotGiven = 0, On = 1, Off = 2 };
enum class SFXInternalMode : std::uint32_t { None = 0, Relaunch = 1 };
}  // namespace CmdLine

namespace kestrova {
// "on" or "off", ASCII letters compared without case; anything else is KV_E_INVALID_VALUE.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<CmdLine::SFXGuiMode>(CmdLine::SFXGuiMode& target,
                                                                const std::string& text);
// "1"; anything else is KV_E_INVALID_VALUE.
template <>
KVResult KVCmdLineArgHandler::ProcessValue<CmdLine::SFXInternalMode>(CmdLine::SFXInternalMode& target,
                                                                     const std::string& text);
}  // namespace kestrova

struct CmdLineData {
  CmdLine::SFXGuiMode gui = CmdLine::SFXGuiMode::NotGiven;
  CmdLine::SFXInternalMode internal = CmdLine::SFXInternalMode::None;
  std::u16string command;
  std::u16string passthrough;  // text after the word "passthrough", appended to every launched command
  std::u16string target;
  std::u16string language;
  kestrova::KVStdPath logfile;  // the run log to append to; empty: none
  std::vector<std::u16string> arguments;
  std::u16string tail;         // the raw command line after the program name
};

// Created before the entry point runs; filled once on the main thread, read-only afterwards.
extern CmdLineData CmdLineValues;

// The raw command line cut at the first "passthrough" (case-sensitive, anywhere, even inside the program
// path): what stands before the two characters in front of the word is parsed, what follows the word is
// handed through, trimmed. Without the word the whole line is parsed and nothing is handed through.
struct PassthroughSplit {
  std::u16string_view toParse;
  std::u16string passthrough;
};
PassthroughSplit SplitPassthrough(std::u16string_view rawCommandLine);

// The raw command line after the program name as written there (up to its closing quote when it starts
// with a quote, else up to the first blank or tab), trimmed.
std::u16string CommandLineTail(std::u16string_view rawCommandLine);

// Receives each parser message once, without a line end.
using CmdLineErrorOutput = kestrova::KVCmdLineParser::ErrorOutput;
// Writes the message and a line feed to the standard error stream and flushes it.
void WriteCmdLineErrorToStderr(const std::string& message);

// Parses an argument vector (element 0 is the program name) with the options gui, command, internal,
// target, language and logfile; surplus positional arguments go to `values.arguments`. Values stored
// before a failure stay stored.
kestrova::KVResult ParseCmdLineArguments(const std::vector<std::u16string>& arguments, CmdLineData& values,
                                         const CmdLineErrorOutput& errorOutput = WriteCmdLineErrorToStderr);

// Splits command-line text into its elements (CommandLineToArgvW on Windows); 0 or an error code.
using CmdLineSplitter = std::function<kestrova::KVResult(std::u16string_view text,
                                                         std::vector<std::u16string>& arguments)>;

// The whole reading of a raw command line into `values`: passthrough split, splitting into elements,
// tail, parse. An empty element vector is KV_E_FAIL; a splitter failure is returned as it is.
kestrova::KVResult ParseRawCommandLine(std::u16string_view rawCommandLine, const CmdLineSplitter& split,
                                       CmdLineData& values,
                                       const CmdLineErrorOutput& errorOutput = WriteCmdLineErrorToStderr);
