#include "app/CmdLine.h"

#include <cstdio>

#include "support/Text.h"

using namespace kestrova;

CmdLineData CmdLineValues;

namespace kestrova {

template <>
KVResult KVCmdLineArgHandler::ProcessValue<CmdLine::SFXGuiMode>(CmdLine::SFXGuiMode& target,
                                                                const std::string& text) {
  if (EqualsAsciiNoCase(text, "on")) {
    target = CmdLine::SFXGuiMode::On;
  } else if (EqualsAsciiNoCase(text, "off")) {
    target = CmdLine::SFXGuiMode::Off;
  } else {
    return KV_E_INVALID_VALUE;
  }
  return KV_OK;
}

template <>
KVResult KVCmdLineArgHandler::ProcessValue<CmdLine::SFXInternalMode>(CmdLine::SFXInternalMode& target,
                                                                     const std::string& text) {
  if (!EqualsAsciiNoCase(text, "1")) return KV_E_INVALID_VALUE;
  target = CmdLine::SFXInternalMode::Relaunch;
  return KV_OK;
}

}  // namespace kestrova

namespace {

constexpr std::u16string_view kPassthroughWord = u"passthrough";

}  // namespace

PassthroughSplit SplitPassthrough(std::u16string_view rawCommandLine) {
  PassthroughSplit split;
  const std::size_t p = rawCommandLine.find(kPassthroughWord);
  if (p == std::u16string_view::npos) {
    split.toParse = rawCommandLine;
    return split;
  }
  // The two characters in front of the word are meant to be "--"; a word at the very start leaves nothing.
  split.toParse = rawCommandLine.substr(0, p >= 2 ? p - 2 : 0);
  split.passthrough = std::u16string(TrimBlanks(rawCommandLine.substr(p + kPassthroughWord.size())));
  return split;
}

std::u16string CommandLineTail(std::u16string_view rawCommandLine) {
  std::size_t end = 0;
  if (!rawCommandLine.empty() && rawCommandLine[0] == u'"') {
    const std::size_t closing = rawCommandLine.find(u'"', 1);
    end = closing == std::u16string_view::npos ? rawCommandLine.size() : closing + 1;
  } else {
    end = rawCommandLine.find_first_of(u" \t");
    if (end == std::u16string_view::npos) end = rawCommandLine.size();
  }
  return std::u16string(TrimBlanks(rawCommandLine.substr(end)));
}

void WriteCmdLineErrorToStderr(const std::string& message) {
  std::fputs(message.c_str(), stderr);
  std::fputs("\n", stderr);
  std::fflush(stderr);
}

KVResult ParseCmdLineArguments(const std::vector<std::u16string>& arguments, CmdLineData& values,
                               const CmdLineErrorOutput& errorOutput) {
  KVCmdLineParser parser;
  parser.SetWideCollector(&values.arguments);
  parser.SetErrorOutput(errorOutput);
  parser.AddOption({"", "gui", false}, values.gui);
  parser.AddOption({"", "command", false}, values.command);
  parser.AddOption({"", "internal", false}, values.internal);
  parser.AddOption({"", "target", false}, values.target);
  parser.AddOption({"", "language", false}, values.language);
  parser.AddOption({"", "logfile", false}, values.logfile);

  std::vector<std::string> narrow;
  narrow.reserve(arguments.size());
  for (const std::u16string& argument : arguments) narrow.push_back(Utf16ToUtf8(argument));
  return parser.Parse(narrow);
}

KVResult ParseRawCommandLine(std::u16string_view rawCommandLine, const CmdLineSplitter& split, CmdLineData& values,
                             const CmdLineErrorOutput& errorOutput) {
  PassthroughSplit parts = SplitPassthrough(rawCommandLine);
  values.passthrough = std::move(parts.passthrough);

  std::vector<std::u16string> arguments;
  const KVResult splitResult = split(parts.toParse, arguments);
  if (splitResult != KV_OK) return splitResult;
  if (arguments.empty()) return KV_E_FAIL;

  values.tail = CommandLineTail(rawCommandLine);
  return ParseCmdLineArguments(arguments, values, errorOutput);
}
