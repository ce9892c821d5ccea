// kvsfx: the builder and inspection tool for installers (native).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/RunOutcome.h"
#include "commands/Parameters.h"
#include "support/Text.h"

namespace {

int Usage() {
  std::fputs("usage: kvsfx explain <exit code>   print what an installer's exit code means\n", stderr);
  return 2;
}

// Prints the exit code in hex with what the user was told, or what it stands for when silent.
int Explain(const char* text) {
  std::uint32_t code = 0;
  if (ParseNumber(kestrova::Utf8ToUtf16(text), code) != kestrova::KV_OK) {
    std::fprintf(stderr, "kvsfx: not a number: %s\n", text);
    return 2;
  }
  std::string meaning;
  if (code == 0) meaning = "success";
  else if (code == kestrova::KV_E_CANCELLED) meaning = "cancelled by the user (no message)";
  else if (code == kestrova::KV_E_ELEVATION_DECLINED) meaning = "the user declined elevation (no message)";
  else if ((code & 0xFF000000u) != 0xEE000000u && code < 0x10000u) meaning = "exit code of the launched command";
  const std::string message = kestrova::Utf16ToUtf8(ErrorMessageText(code));
  std::printf("0x%08X", static_cast<unsigned>(code));
  if (!meaning.empty()) std::printf(" %s", meaning.c_str());
  if (!message.empty()) std::printf("%s\"%s\"", meaning.empty() ? " " : "; message: ", message.c_str());
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "explain") == 0) return Explain(argv[2]);
  return Usage();
}
