#include "builder/ExitCodeMeaning.h"

#include "app/RunOutcome.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {
namespace {

struct WindowsMeaning {
  std::uint32_t code;
  const char* name;
  const char* meaning;
};

// The results installers and setup programs commonly end with (Windows Installer's among them).
constexpr WindowsMeaning kWindowsMeanings[] = {
    {1, "ERROR_INVALID_FUNCTION", "incorrect function"},
    {2, "ERROR_FILE_NOT_FOUND", "a file was not found"},
    {3, "ERROR_PATH_NOT_FOUND", "a path was not found"},
    {5, "ERROR_ACCESS_DENIED", "access denied: the command needed rights it did not have"},
    {87, "ERROR_INVALID_PARAMETER", "a parameter is incorrect"},
    {112, "ERROR_DISK_FULL", "there is not enough space on the disk"},
    {267, "ERROR_DIRECTORY", "the directory name is invalid"},
    {1223, "ERROR_CANCELLED", "the user cancelled the operation"},
    {1601, "ERROR_INSTALL_SERVICE_FAILURE", "the Windows Installer service could not be accessed"},
    {1602, "ERROR_INSTALL_USEREXIT", "the user cancelled the installation"},
    {1603, "ERROR_INSTALL_FAILURE", "a fatal error during installation (the MSI log tells which action failed)"},
    {1605, "ERROR_UNKNOWN_PRODUCT", "the product is not installed"},
    {1618, "ERROR_INSTALL_ALREADY_RUNNING", "another installation is in progress; try again after it"},
    {1619, "ERROR_INSTALL_PACKAGE_OPEN_FAILED", "the installation package could not be opened"},
    {1620, "ERROR_INSTALL_PACKAGE_INVALID", "the installation package is invalid"},
    {1625, "ERROR_INSTALL_PACKAGE_REJECTED", "the installation is forbidden by system policy"},
    {1633, "ERROR_INSTALL_PLATFORM_UNSUPPORTED", "the package does not support this platform"},
    {1638, "ERROR_PRODUCT_VERSION", "another version of this product is already installed"},
    {1639, "ERROR_INVALID_COMMAND_LINE", "invalid command-line arguments for the installer"},
    {1641, "ERROR_SUCCESS_REBOOT_INITIATED", "success; the installer has started a restart"},
    {3010, "ERROR_SUCCESS_REBOOT_REQUIRED", "success; a restart is required to complete the installation"},
};

const WindowsMeaning* FindWindowsMeaning(std::uint32_t code) {
  // An HRESULT of the Win32 facility (0x8007xxxx) carries the Windows error code in its low 16 bits.
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFFu;
  for (const WindowsMeaning& entry : kWindowsMeanings) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

bool IsOwnCode(std::uint32_t code) { return (code & 0xFF000000u) == 0xEE000000u; }

}  // namespace

std::string ExplainExitCode(std::uint32_t code) {
  std::string text = KVFormat("0x{:08X} ({}): ", code, code);
  if (code == KV_OK) return text + "success";
  const std::string message = Utf16ToUtf8(ErrorMessageText(code));
  if (IsOwnCode(code)) {
    if (code == KV_E_CANCELLED) return text + "cancelled by the user; no message is shown";
    if (code == KV_E_ELEVATION_DECLINED) return text + "the user declined elevation; no message is shown";
    return text + "the installer failed and showed \"" + message + "\"";
  }
  text += "a command's own exit code, passed on";
  const WindowsMeaning* meaning = FindWindowsMeaning(code);
  if (meaning != nullptr) {
    text += KVFormat(": {} ({})", meaning->meaning, meaning->name);
  }
  text += "; no message is shown";
  // The installer's own failures in system calls end with the system's code too, and those do show a message;
  // the restart codes report success and never come from a failure.
  const bool restart = code == 1641 || code == 3010;
  if (!message.empty() && !restart) {
    text += KVFormat(" (unless the installer itself failed with this Windows error: then it showed \"{}\"; the "
                     "log tells which)", message);
  }
  return text;
}

}  // namespace kestrova
