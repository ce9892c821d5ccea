#include "builder/WindowsCommandLine.h"

namespace kestrova {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Quote(const std::u16string& argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos) return argument;
  std::u16string quoted = u"\"";
  std::size_t backslashes = 0;
  for (const char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

}  // namespace

std::u16string JoinCommandLine(std::u16string_view program, const std::vector<std::u16string>& arguments) {
  std::u16string text = Quote(std::u16string(program));
  for (const std::u16string& argument : arguments) text += u" " + Quote(argument);
  return text;
}

KVResult SplitCommandLine(std::u16string_view text, std::vector<std::u16string>& arguments) {
  arguments.clear();
  std::size_t i = 0;
  // The program name: no escapes, quotes only delimit.
  std::u16string program;
  if (i < text.size() && text[i] == u'"') {
    const std::size_t closing = text.find(u'"', i + 1);
    program = text.substr(i + 1, closing == std::u16string_view::npos ? std::u16string_view::npos : closing - i - 1);
    i = closing == std::u16string_view::npos ? text.size() : closing + 1;
  } else {
    while (i < text.size() && !IsBlank(text[i])) program.push_back(text[i++]);
  }
  arguments.push_back(std::move(program));
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::u16string element;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      std::size_t backslashes = 0;
      while (i < text.size() && text[i] == u'\\') ++backslashes, ++i;
      if (i < text.size() && text[i] == u'"') {
        element.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          element.push_back(u'"');
        } else if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
          element.push_back(u'"');  // "" in a quoted part
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        element.append(backslashes, u'\\');
        if (i < text.size() && (quoted || !IsBlank(text[i]))) element.push_back(text[i++]);
      }
    }
    arguments.push_back(std::move(element));
  }
  return KV_OK;
}

}  // namespace kestrova
