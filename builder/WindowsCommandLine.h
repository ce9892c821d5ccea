// Windows command lines as a program receives them: the text that CreateProcess passes on for an argument
// vector, and its splitting back into elements by the rules of CommandLineToArgvW (which the installer uses).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "support/ErrorCodes.h"

namespace kestrova {

// `program`, then each argument quoted so that CommandLineToArgvW gives it back unchanged, blank-separated.
std::u16string JoinCommandLine(std::u16string_view program, const std::vector<std::u16string>& arguments);

// CommandLineToArgvW's reading: the program name up to its closing quote or the first blank; then elements
// separated by blanks and tabs, where 2n backslashes before a quote are n and the quote opens or closes a quoted
// part, 2n+1 are n and a literal quote, and "" inside a quoted part is a literal quote. Always 0.
KVResult SplitCommandLine(std::u16string_view text, std::vector<std::u16string>& arguments);

}  // namespace kestrova
