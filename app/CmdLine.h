// The process-wide parsed command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace CmdLine {
enum SFXGuiMode : std::uint32_t { GuiNotGiven = 0, GuiOn = 1, GuiOff = 2 };
enum SFXInternalMode : std::uint32_t { InternalNone = 0, InternalRelaunch = 1 };
}  // namespace CmdLine

struct CmdLineData {
  CmdLine::SFXGuiMode gui = CmdLine::GuiNotGiven;
  CmdLine::SFXInternalMode internal = CmdLine::InternalNone;
  std::u16string command;
  std::u16string passthrough;  // text after the word "passthrough", appended to every launched command
  std::u16string target;
  std::u16string language;
  std::u16string logfile;      // parsed and stored; nothing reads it
  std::vector<std::u16string> arguments;
  std::u16string tail;         // the raw command line after the program name
};

// Created before the entry point runs; filled once on the main thread, read-only afterwards.
extern CmdLineData CmdLineValues;
