// What an installer's exit code means to the administrator who reads it in a deployment tool.
#pragma once
#include <cstdint>
#include <string>

namespace kestrova {

// One line: "0xEE002004 (3992985604): ..." with the hexadecimal and decimal value. Our own 0xEE... codes and 0
// tell the message the installer showed; every other code is a command's exit code passed on, told with its
// Windows meaning where one is known; the installer shows no message for it.
std::string ExplainExitCode(std::uint32_t code);

}  // namespace kestrova
