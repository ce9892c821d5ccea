#include "builder/VersionResource.h"

#include <limits>

#include "builder/FailureMessage.h"
#include "support/Formatter.h"
#include "support/Text.h"

using kestrova::KVFormat;

namespace kestrova {

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFixedSize = 52;
constexpr std::uint32_t kFileFlagsMask = 0x3F;
constexpr std::uint32_t kFileOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kFileTypeApp = 1;
constexpr std::uint32_t kTranslationUsEnglishUnicode = 0x04B00409;  // language 0x0409, code page 1200
constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::size_t kNodeHeader = 6;  // wLength, wValueLength, wType

void Pad(Bytes& b) {
  while (b.size() % 4 != 0) b.push_back(0);
}

void AppendText(Bytes& b, std::u16string_view text) {
  for (const char16_t c : text) Append16(b, static_cast<std::uint16_t>(c));
  Append16(b, 0);
}

// One node: its header, key, value and children, each started on a 32-bit boundary (nodes start on one).
// False when it is longer than its 16-bit length field can say.
bool AppendNode(Bytes& out, std::u16string_view key, std::uint16_t type, const Bytes& value,
                std::uint16_t valueLength, const std::vector<Bytes>& children) {
  Bytes node(kNodeHeader, 0);
  AppendText(node, key);
  Pad(node);
  node.insert(node.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    Pad(node);
    node.insert(node.end(), child.begin(), child.end());
  }
  if (node.size() > std::numeric_limits<std::uint16_t>::max()) return false;
  Put16(node, 0, static_cast<std::uint16_t>(node.size()));
  Put16(node, 2, valueLength);
  Put16(node, 4, type);
  Pad(out);
  out.insert(out.end(), node.begin(), node.end());
  return true;
}

std::uint32_t High(const VersionNumber& v) { return (std::uint32_t{v[0]} << 16) | v[1]; }
std::uint32_t Low(const VersionNumber& v) { return (std::uint32_t{v[2]} << 16) | v[3]; }
VersionNumber FromHighLow(std::uint32_t high, std::uint32_t low) {
  return {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
          static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
}

Bytes FixedFileInfo(const VersionInfo& info) {
  Bytes b;
  for (const std::uint32_t field :
       {kFixedSignature, kFixedStructVersion, High(info.fileVersion), Low(info.fileVersion),
        High(info.productVersion), Low(info.productVersion), kFileFlagsMask, std::uint32_t{0}, kFileOsNtWindows32,
        kFileTypeApp, std::uint32_t{0}, static_cast<std::uint32_t>(info.fileDate >> 32),
        static_cast<std::uint32_t>(info.fileDate)}) {
    Append32(b, field);
  }
  return b;
}

// A node as read: [begin, end) in the data, its key, where its value and its children start.
struct Node {
  std::size_t end = 0;
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::u16string key;
  std::size_t value = 0;
  std::size_t children = 0;
};

bool ReadNode(const Bytes& d, std::size_t begin, std::size_t limit, Node& n) {
  if (!InRange(begin, kNodeHeader, limit)) return false;
  const std::uint16_t length = Get16(d, begin);
  if (length < kNodeHeader || !InRange(begin, length, limit)) return false;
  n.end = begin + length;
  n.valueLength = Get16(d, begin + 2);
  n.type = Get16(d, begin + 4);
  n.key.clear();
  std::size_t at = begin + kNodeHeader;
  for (; at + 2 <= n.end && Get16(d, at) != 0; at += 2) n.key.push_back(static_cast<char16_t>(Get16(d, at)));
  if (at + 2 > n.end) return false;  // the key has no terminator
  n.value = std::min<std::size_t>(static_cast<std::size_t>(AlignUp(at + 2, 4)), n.end);
  const std::size_t valueBytes = n.type == kText ? std::size_t{n.valueLength} * 2 : n.valueLength;
  n.children = std::min<std::size_t>(static_cast<std::size_t>(AlignUp(n.value + valueBytes, 4)), n.end);
  return true;
}

// Calls `visit` for each child of `parent`; false when one is malformed.
template <typename Visit>
bool ForEachChild(const Bytes& d, const Node& parent, Visit visit) {
  for (std::size_t at = parent.children; at + kNodeHeader <= parent.end;) {
    Node child;
    if (!ReadNode(d, at, parent.end, child) || !visit(child)) return false;
    at = static_cast<std::size_t>(AlignUp(child.end, 4));
  }
  return true;
}

}  // namespace

KVResult ParseVersionNumber(const std::string& text, VersionNumber& number, std::string& error) {
  number = {};
  std::size_t part = 0;
  std::size_t at = 0;
  while (true) {
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= 65535) {
      value = value * 10 + static_cast<std::uint32_t>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0 || part == number.size()) {
      return Fail(error, KV_E_INVALID_DATA,
                  KVFormat("'{}' is not a version: one to four numbers separated by dots, like 1.2.3.4", text));
    }
    if (value > 65535) {
      return Fail(error, KV_E_OUT_OF_RANGE,
                  KVFormat("'{}': each part of a version is at most 65535 (a 16-bit number)", text));
    }
    number[part++] = static_cast<std::uint16_t>(value);
    if (at == text.size()) return KV_OK;
    if (text[at++] != '.') part = number.size();  // refused on the next round
  }
}

std::string VersionNumberText(const VersionNumber& n) { return KVFormat("{}.{}.{}.{}", n[0], n[1], n[2], n[3]); }

std::string DescribeVersionInfo(const VersionInfo& info, const std::string& indent) {
  std::string text = KVFormat("file {}, product {}", VersionNumberText(info.fileVersion),
                              VersionNumberText(info.productVersion));
  if (info.fileDate != 0) {
    const std::int64_t seconds =
        static_cast<std::int64_t>(info.fileDate / 10000000) - static_cast<std::int64_t>(FileTimeFromUnixSeconds(0) / 10000000);
    // Days to a civil date (proleptic Gregorian), after Howard Hinnant's days_from_civil inverse.
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t second = seconds - days * 86400;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    text += KVFormat(", dated {}-{:02}-{:02} {:02}:{:02}:{:02} UTC", year, month, day, second / 3600,
                     second / 60 % 60, second % 60);
  }
  text += "\n";
  for (const auto& [name, value] : info.strings) {
    text += KVFormat("{}{}: {}\n", indent, Utf16ToUtf8(name), Utf16ToUtf8(value));
  }
  return text;
}

KVResult MakeVersionInfo(const VersionTexts& texts, const std::string& title, const std::string& fileName,
                         std::uint64_t fileDate, VersionInfo& info, std::string& error) {
  info = VersionInfo();
  info.fileDate = fileDate;
  const std::string& fileVersion = texts.fileVersion.empty() ? texts.productVersion : texts.fileVersion;
  const std::string& productVersion = texts.productVersion.empty() ? texts.fileVersion : texts.productVersion;
  const std::string noVersion = "0.0.0.0";
  const struct {
    const char* option;
    const char16_t* name;
    const std::string& text;
    VersionNumber* number;
  } fields[] = {
      {"--company", u"CompanyName", texts.company, nullptr},
      {"--description", u"FileDescription", texts.description.empty() ? title : texts.description, nullptr},
      {texts.fileVersion.empty() ? "--product-version" : "--file-version", u"FileVersion",
       fileVersion.empty() ? noVersion : fileVersion, &info.fileVersion},
      {"-o", u"InternalName", fileName, nullptr},
      {"--copyright", u"LegalCopyright", texts.copyright, nullptr},
      {"-o", u"OriginalFilename", fileName, nullptr},
      {"--product-name", u"ProductName", texts.productName, nullptr},
      {texts.productVersion.empty() ? "--file-version" : "--product-version", u"ProductVersion",
       productVersion.empty() ? noVersion : productVersion, &info.productVersion},
  };
  for (const auto& field : fields) {
    if (field.text.empty()) continue;
    std::u16string value = Utf8ToUtf16(field.text);
    if (Utf16ToUtf8(value) != field.text) {
      return Fail(error, KV_E_INVALID_DATA, KVFormat("{}: the text is not valid UTF-8", field.option));
    }
    if (field.number != nullptr) {
      std::string reason;
      if (const KVResult r = ParseVersionNumber(field.text, *field.number, reason); r != KV_OK) {
        return Fail(error, r, KVFormat("{}: {}", field.option, reason));
      }
    }
    info.strings.emplace_back(field.name, std::move(value));
  }
  return KV_OK;
}

KVResult EncodeVersionResource(const VersionInfo& info, Bytes& data, std::string& error) {
  std::vector<Bytes> strings;
  for (const auto& [name, value] : info.strings) {
    Bytes text;
    AppendText(text, value);
    strings.emplace_back();
    if (value.size() + 1 > std::numeric_limits<std::uint16_t>::max() ||
        !AppendNode(strings.back(), name, kText, text, static_cast<std::uint16_t>(value.size() + 1), {})) {
      return Fail(error, KV_E_OUT_OF_RANGE,
                  KVFormat("the version text {} is {} characters long: too long for a version resource, which "
                           "holds at most 65,535 bytes",
                           Utf16ToUtf8(name), value.size()));
    }
  }
  Bytes table, stringFileInfo, translation, varFileInfo;
  Bytes translationValue;
  Append32(translationValue, kTranslationUsEnglishUnicode);
  data.clear();
  if (!AppendNode(table, kVersionStringTable, kText, {}, 0, strings) ||
      !AppendNode(stringFileInfo, u"StringFileInfo", kText, {}, 0, {table}) ||
      !AppendNode(translation, u"Translation", kBinary, translationValue, 4, {}) ||
      !AppendNode(varFileInfo, u"VarFileInfo", kText, {}, 0, {translation}) ||
      !AppendNode(data, u"VS_VERSION_INFO", kBinary, FixedFileInfo(info), kFixedSize, {stringFileInfo, varFileInfo})) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                "the version texts are too long together: a version resource holds at most 65,535 bytes");
  }
  return KV_OK;
}

KVResult DecodeVersionResource(const Bytes& data, VersionInfo& info, std::string& error) {
  info = VersionInfo();
  Node root;
  if (!ReadNode(data, 0, data.size(), root) || root.key != u"VS_VERSION_INFO") {
    return Fail(error, KV_E_INVALID_DATA, "the version resource does not start with a VS_VERSION_INFO block");
  }
  if (root.valueLength != kFixedSize || !InRange(root.value, kFixedSize, root.end) ||
      Get32(data, root.value) != kFixedSignature) {
    return Fail(error, KV_E_INVALID_DATA, "the version resource has no fixed part (VS_FIXEDFILEINFO)");
  }
  const std::size_t f = root.value;
  info.fileVersion = FromHighLow(Get32(data, f + 8), Get32(data, f + 12));
  info.productVersion = FromHighLow(Get32(data, f + 16), Get32(data, f + 20));
  info.fileDate = (std::uint64_t{Get32(data, f + 44)} << 32) | Get32(data, f + 48);
  bool tableRead = false;
  const auto readString = [&](const Node& s) {
    std::u16string value;
    for (std::size_t at = s.value; at + 2 <= s.end && Get16(data, at) != 0; at += 2) {
      value.push_back(static_cast<char16_t>(Get16(data, at)));
    }
    info.strings.emplace_back(s.key, std::move(value));
    return true;
  };
  const bool wellFormed = ForEachChild(data, root, [&](const Node& block) {
    if (block.key != u"StringFileInfo") return true;
    return ForEachChild(data, block, [&](const Node& table) {
      if (tableRead) return true;
      tableRead = true;
      return ForEachChild(data, table, readString);
    });
  });
  if (!wellFormed) return Fail(error, KV_E_INVALID_DATA, "the version resource's blocks overrun their lengths");
  return KV_OK;
}

}  // namespace kestrova
