// The version resource (RT_VERSION 1): what Explorer's Details tab, the elevation prompt and deployment tools
// read through GetFileVersionInfo and VerQueryValue. One string table, U.S. English in UTF-16 (040904B0).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

inline constexpr std::uint16_t kVersionResourceId = 1;
inline constexpr char16_t kVersionStringTable[] = u"040904B0";

// A FILETIME (100 ns since 1601) of a time in seconds since 1970, 11,644,473,600 s later.
constexpr std::uint64_t FileTimeFromUnixSeconds(std::int64_t seconds) {
  return (static_cast<std::uint64_t>(seconds) + 11644473600u) * 10000000u;
}

// A version as four 16-bit numbers: "1.2" is 1.2.0.0.
using VersionNumber = std::array<std::uint16_t, 4>;

// Reads one to four dot-separated decimal numbers, each at most 65535; anything else is refused with a sentence.
KVResult ParseVersionNumber(const std::string& text, VersionNumber& number, std::string& error);
std::string VersionNumberText(const VersionNumber& number);  // "1.2.0.0"

struct VersionInfo {
  VersionNumber fileVersion{};
  VersionNumber productVersion{};
  std::uint64_t fileDate = 0;  // a FILETIME (100 ns since 1601), 0 for none
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // name and value, in this order
};

// The version options of `kvsfx build` as given (UTF-8); an empty text counts as not given.
struct VersionTexts {
  std::string productName;
  std::string productVersion;
  std::string fileVersion;
  std::string company;
  std::string description;
  std::string copyright;
};

// An installer's version information: the texts given; FileDescription defaults to `title`, each of FileVersion
// and ProductVersion to the other, both to 0.0.0.0 when neither is given; OriginalFilename and InternalName are
// `fileName`. A version that ParseVersionNumber refuses, or text that is not UTF-8, is refused naming its option.
KVResult MakeVersionInfo(const VersionTexts& texts, const std::string& title, const std::string& fileName,
                         std::uint64_t fileDate, VersionInfo& info, std::string& error);

// "file 1.2.3.4, product 1.2.0.0, dated 2023-11-14 22:13:20 UTC" and one "NAME: VALUE" line per string, the lines
// after the first starting with `indent`; every line ends with a line feed.
std::string DescribeVersionInfo(const VersionInfo& info, const std::string& indent);

// VS_VERSIONINFO with the fixed part, the string table and VarFileInfo\Translation. Refused when it would not
// fit the 16-bit lengths of the format (the texts too long together).
KVResult EncodeVersionResource(const VersionInfo& info, Bytes& data, std::string& error);

// Reads a version resource, with every length checked: the fixed part and the strings of its first table.
KVResult DecodeVersionResource(const Bytes& data, VersionInfo& info, std::string& error);

}  // namespace kestrova
