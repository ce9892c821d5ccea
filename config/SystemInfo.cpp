#include "config/SystemInfo.h"

#include <algorithm>
#include <array>

#include "support/Text.h"

using kestrova::KVResult;

namespace {

struct NamedVersion {
  std::u16string_view name;
  WindowsVersion value;
};

// Names the configuration accepts, then the values only detection gives.
constexpr std::array<NamedVersion, 27> kConfiguredVersions{{
    {u"W7", WindowsVersion::W7},           {u"S2008R2", WindowsVersion::S2008R2},   {u"HS2011", WindowsVersion::HS2011},
    {u"W8", WindowsVersion::W8},           {u"S2012", WindowsVersion::S2012},       {u"W8_1", WindowsVersion::W8_1},
    {u"S2012R2", WindowsVersion::S2012R2}, {u"W10_1507", WindowsVersion::W10_1507}, {u"W10_1511", WindowsVersion::W10_1511},
    {u"W10_1607", WindowsVersion::W10_1607}, {u"S2016", WindowsVersion::S2016},     {u"W10_1703", WindowsVersion::W10_1703},
    {u"W10_1709", WindowsVersion::W10_1709}, {u"W10_1803", WindowsVersion::W10_1803}, {u"W10_1809", WindowsVersion::W10_1809},
    {u"S2019", WindowsVersion::S2019},     {u"W10_1903", WindowsVersion::W10_1903}, {u"W10_1909", WindowsVersion::W10_1909},
    {u"W10_2004", WindowsVersion::W10_2004}, {u"W10_20H2", WindowsVersion::W10_20H2}, {u"W10_21H1", WindowsVersion::W10_21H1},
    {u"S2022", WindowsVersion::S2022},     {u"W10_21H2", WindowsVersion::W10_21H2}, {u"W10_22H2", WindowsVersion::W10_22H2},
    {u"W11_21H2", WindowsVersion::W11_21H2}, {u"W11_22H2", WindowsVersion::W11_22H2}, {u"W11_23H2", WindowsVersion::W11_23H2},
}};

constexpr std::array<NamedVersion, 5> kDetectedOnlyVersions{{
    {u"OtherWindows", WindowsVersion::OtherWindows},
    {u"W10_Newer", WindowsVersion::W10_Newer},
    {u"S_Newer", WindowsVersion::S_Newer},
    {u"W_Future", WindowsVersion::W_Future},
    {u"S_Future", WindowsVersion::S_Future},
}};

struct NamedArch {
  std::u16string_view name;
  ProcessorArch value;
};

// Matching runs in this order.
constexpr std::array<NamedArch, 5> kArchitectures{{
    {u"x86", ProcessorArch::X86},
    {u"x64", ProcessorArch::X64},
    {u"IA64", ProcessorArch::IA64},
    {u"ARM", ProcessorArch::ARM},
    {u"ARM64", ProcessorArch::ARM64},
}};

// The entry whose name `matches`, or whose value is `value`; null for none.
template <class Entry, std::size_t N, class Match>
const Entry* EntryNamed(const std::array<Entry, N>& table, std::u16string_view name, Match matches) {
  const auto found = std::find_if(table.begin(), table.end(), [&](const Entry& e) { return matches(name, e.name); });
  return found != table.end() ? &*found : nullptr;
}
template <class Entry, std::size_t N, class Value>
const Entry* EntryOf(const std::array<Entry, N>& table, Value value) {
  const auto found = std::find_if(table.begin(), table.end(), [&](const Entry& e) { return e.value == value; });
  return found != table.end() ? &*found : nullptr;
}
bool Exactly(std::u16string_view a, std::u16string_view b) { return a == b; }

constexpr bool IsBuildTextBlank(char16_t c) { return c == u' ' || (c >= 9 && c <= 13); }

int DigitValue(char16_t c, unsigned base) {
  int value = -1;
  if (c >= u'0' && c <= u'9') value = c - u'0';
  else if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

}  // namespace

bool IsServerVersion(WindowsVersion version) {
  switch (version) {
    case WindowsVersion::S2008R2: case WindowsVersion::HS2011: case WindowsVersion::S2012: case WindowsVersion::S2012R2: case WindowsVersion::S2016:
    case WindowsVersion::S2019: case WindowsVersion::S2022: case WindowsVersion::S_Newer: case WindowsVersion::S_Future:
      return true;
    default:
      return false;
  }
}

bool WindowsVersionFromName(std::u16string_view name, WindowsVersion& version) {
  const NamedVersion* entry = EntryNamed(kConfiguredVersions, name, Exactly);
  if (entry != nullptr) version = entry->value;
  return entry != nullptr;
}

std::u16string_view WindowsVersionName(WindowsVersion version) {
  const NamedVersion* entry = EntryOf(kConfiguredVersions, version);
  if (entry == nullptr) entry = EntryOf(kDetectedOnlyVersions, version);
  return entry != nullptr ? entry->name : u"";
}

bool WindowsVersionFromAnyName(std::u16string_view name, WindowsVersion& version) {
  const NamedVersion* entry = EntryNamed(kDetectedOnlyVersions, name, Exactly);
  if (entry == nullptr) return WindowsVersionFromName(name, version);
  version = entry->value;
  return true;
}

std::vector<WindowsVersion> EveryWindowsVersion() {
  std::vector<WindowsVersion> versions;
  for (const NamedVersion& entry : kDetectedOnlyVersions) versions.push_back(entry.value);
  for (const NamedVersion& entry : kConfiguredVersions) versions.push_back(entry.value);
  std::sort(versions.begin(), versions.end());
  return versions;
}

WindowsVersion WorkstationVersionFromBuild(std::uint32_t build) {
  if (build <= 10240) return WindowsVersion::W10_1507;
  if (build <= 10586) return WindowsVersion::W10_1511;
  if (build <= 14393) return WindowsVersion::W10_1607;
  if (build <= 15063) return WindowsVersion::W10_1703;
  if (build <= 16299) return WindowsVersion::W10_1709;
  if (build <= 17134) return WindowsVersion::W10_1803;
  if (build <= 17763) return WindowsVersion::W10_1809;
  if (build <= 18362) return WindowsVersion::W10_1903;
  if (build == 18363) return WindowsVersion::W10_1909;
  if (build <= 19041) return WindowsVersion::W10_2004;
  if (build == 19042) return WindowsVersion::W10_20H2;
  if (build == 19043) return WindowsVersion::W10_21H1;
  if (build == 19044) return WindowsVersion::W10_21H2;
  if (build == 19045) return WindowsVersion::W10_22H2;
  if (build < 22000) return WindowsVersion::W10_Newer;
  if (build == 22000) return WindowsVersion::W11_21H2;
  if (build <= 22621) return WindowsVersion::W11_22H2;
  if (build <= 22631) return WindowsVersion::W11_23H2;
  return WindowsVersion::W_Future;
}

WindowsVersion ServerVersionFromBuild(std::uint32_t build) {
  if (build <= 14393) return WindowsVersion::S2016;
  if (build <= 17763) return WindowsVersion::S2019;
  if (build <= 20348) return WindowsVersion::S2022;
  if (build < 22000) return WindowsVersion::S_Newer;
  return WindowsVersion::S_Future;
}

KVResult ParseBuildNumber(std::u16string_view text, std::uint32_t& build) {
  build = 0;
  std::size_t at = 0;
  while (at < text.size() && IsBuildTextBlank(text[at])) ++at;
  unsigned base = 10;
  if (at + 1 < text.size() && text[at] == u'0' && (text[at + 1] == u'x' || text[at + 1] == u'X')) {
    base = 16;
    at += 2;
  }
  const std::size_t digitsStart = at;
  std::uint64_t value = 0;
  for (int digit; at < text.size() && (digit = DigitValue(text[at], base)) >= 0; ++at) {
    value = value * base + static_cast<unsigned>(digit);
    if (value > UINT32_MAX) return kestrova::KV_E_OUT_OF_RANGE;
  }
  if (at == digitsStart) return kestrova::KV_E_INVALID_DATA;
  while (at < text.size() && IsBuildTextBlank(text[at])) ++at;
  if (at != text.size()) return kestrova::KV_E_INVALID_DATA;
  build = static_cast<std::uint32_t>(value);
  return kestrova::KV_OK;
}

bool ProcessorArchFromName(std::u16string_view name, ProcessorArch& arch) {
  const NamedArch* entry = EntryNamed(kArchitectures, name, [](std::u16string_view a, std::u16string_view b) {
    return kestrova::EqualsAsciiNoCase(a, b);
  });
  if (entry != nullptr) arch = entry->value;
  return entry != nullptr;
}

std::u16string_view ProcessorArchName(ProcessorArch arch) {
  const NamedArch* entry = EntryOf(kArchitectures, arch);
  return entry != nullptr ? entry->name : u"None";
}

ProcessorArch ProcessorArchFromMachine(std::uint16_t machine) {
  switch (machine) {
    case 0x014C: return ProcessorArch::X86;
    case 0x8664: return ProcessorArch::X64;
    case 0x0200: return ProcessorArch::IA64;
    case 0x01C0: return ProcessorArch::ARM;
    case 0xAA64: return ProcessorArch::ARM64;
    default: return ProcessorArch::None;
  }
}
