// Facts about the running system that steer the configuration: Windows version, native processor
// architecture, administrator rights and the folders and names a launch-mode run needs. The portable part
// holds the value tables and the build-number rules; the facts themselves come through `SystemFacts`, which
// the stub implements over Win32 and tests and `kvsfx plan` simulate.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/ErrorCodes.h"

// Windows versions as the configuration names them, plus the catch-all values only detection gives.
enum class WindowsVersion : std::int32_t {
  OtherWindows = 0,
  W7 = 1,
  S2008R2 = 2,
  HS2011 = 3,
  W8 = 4,
  S2012 = 5,
  W8_1 = 6,
  S2012R2 = 7,
  W10_1507 = 8,
  W10_1511 = 9,
  W10_1607 = 10,
  S2016 = 11,
  W10_1703 = 12,
  W10_1709 = 13,
  W10_1803 = 14,
  W10_1809 = 15,
  S2019 = 16,
  W10_1903 = 17,
  W10_1909 = 18,
  W10_2004 = 19,
  W10_20H2 = 20,
  W10_21H1 = 21,
  S2022 = 22,
  W10_21H2 = 23,
  W10_22H2 = 24,
  W10_Newer = 98,
  S_Newer = 99,
  W11_21H2 = 100,
  W11_22H2 = 101,
  W11_23H2 = 102,
  W_Future = 1000,
  S_Future = 1001,
};

bool IsServerVersion(WindowsVersion version);

// The configuration's name of a version ("W10_1809"), letter case exact; false for a name not in the table.
bool WindowsVersionFromName(std::u16string_view name, WindowsVersion& version);
// The configuration's name, or the catch-all's own name ("W10_Newer", "OtherWindows") for detected values.
std::u16string_view WindowsVersionName(WindowsVersion version);
// Also the catch-alls' names, for tools that describe a machine.
bool WindowsVersionFromAnyName(std::u16string_view name, WindowsVersion& version);
// Every value detection can give, the named ones and the catch-alls, in ascending order.
std::vector<WindowsVersion> EveryWindowsVersion();

// Version 10.0 systems: the value of a build number, by kind.
WindowsVersion WorkstationVersionFromBuild(std::uint32_t build);
WindowsVersion ServerVersionFromBuild(std::uint32_t build);

// The registry's CurrentBuildNumber text: leading white space, then 0x/0X and hexadecimal digits or decimal
// digits, then only white space. KV_E_INVALID_DATA without a digit or with other trailing text,
// KV_E_OUT_OF_RANGE above 32 bits.
kestrova::KVResult ParseBuildNumber(std::u16string_view text, std::uint32_t& build);

enum class ProcessorArch : std::uint32_t { None = 0, X86 = 1, X64 = 2, IA64 = 3, ARM = 4, ARM64 = 5 };

// "x86", "x64", "IA64", "ARM", "ARM64", compared with ASCII letters folded.
bool ProcessorArchFromName(std::u16string_view name, ProcessorArch& arch);
std::u16string_view ProcessorArchName(ProcessorArch arch);  // "None" for 0
// IMAGE_FILE_MACHINE_* value to architecture; None for an unknown machine.
ProcessorArch ProcessorArchFromMachine(std::uint16_t machine);

// The running system as the configuration reader sees it. Every operation returns 0 or an error code.
class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  virtual kestrova::KVResult GetWindowsVersion(WindowsVersion& version) = 0;
  virtual ProcessorArch GetNativeProcessorArch() = 0;
  virtual kestrova::KVResult IsUserAdmin(bool& isAdmin) = 0;
  // The executable's full path (default extractor title).
  virtual kestrova::KVResult GetExecutablePath(std::u16string& path) = 0;
  // "." made absolute against the current directory (default extract target).
  virtual kestrova::KVResult GetCurrentDirectoryFullPath(std::u16string& path) = 0;
  // The user's temporary folder as GetTempPathW gives it (with its trailing backslash).
  virtual kestrova::KVResult GetTempFolder(std::u16string& path) = 0;
  // The Windows folder (FOLDERID_Windows).
  virtual kestrova::KVResult GetWindowsFolder(std::u16string& path) = 0;
  // A new GUID in braced registry form, upper-case hexadecimal: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
  virtual kestrova::KVResult NewGuidText(std::u16string& text) = 0;
};
