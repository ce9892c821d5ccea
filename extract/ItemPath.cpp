#include "extract/ItemPath.h"

#include <algorithm>

#include "support/Text.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsOnlyDotsAndBlanks(std::u16string_view part) {
  for (const char16_t c : part) {
    if (c != u'.' && c != u' ') return false;
  }
  return true;
}

// Win32 maps these names to devices whatever the extension or stream after them, and ignores trailing blanks.
bool IsDeviceName(std::u16string_view part) {
  std::u16string_view base = part.substr(0, part.find_first_of(u".:"));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (const char16_t* name : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (kestrova::EqualsAsciiNoCase(base, name)) return true;
  }
  if (base.size() != 4) return false;
  const char16_t digit = base[3];
  const bool isPortDigit = (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
                           digit == u'\u00B3';
  return isPortDigit &&
         (kestrova::EqualsAsciiNoCase(base.substr(0, 3), u"COM") || kestrova::EqualsAsciiNoCase(base.substr(0, 3), u"LPT"));
}

}  // namespace

std::vector<std::u16string_view> SplitItemPath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::u16string WithoutDotParts(std::u16string_view path) {
  std::u16string kept;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    // A "." part goes with the separator after it; a leading separator stays, so absolute paths stay refused.
    if (path.substr(start, i - start) != u".") kept.append(path.substr(start, std::min(i + 1, path.size()) - start));
    start = i + 1;
  }
  if (!kept.empty() && IsSeparator(kept.back()) && (path.empty() || !IsSeparator(path.back()))) kept.pop_back();
  return kept;
}

bool IsSafeItemPath(std::u16string_view path) {
  if (path.empty() || IsSeparator(path[0])) return false;
  if (path.size() >= 2 && path[1] == u':') return false;
  const std::vector<std::u16string_view> parts = SplitItemPath(path);
  bool namesAnItem = false;
  for (const std::u16string_view part : parts) {
    if (part == u".") continue;
    const std::u16string_view name = part.substr(0, part.find(u':'));  // without a stream name
    if (IsOnlyDotsAndBlanks(name) || IsDeviceName(part)) return false;
    namesAnItem = true;
  }
  return namesAnItem;
}
