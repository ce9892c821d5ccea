// UTF-16 text in the portable core: std::u16string, with zero-copy views to wchar_t at Win32 calls.
#pragma once
#include <string>
#include <string_view>

namespace kestrova {

// Conversions between UTF-8 and UTF-16. Ill-formed input is replaced by U+FFFD, never rejected.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// wchar_t text (UTF-16 on Windows, UTF-32 elsewhere) as UTF-16; code points above U+FFFF become surrogate pairs,
// everything else, lone surrogates included, is kept as it is.
std::u16string WideToUtf16(std::wstring_view wide);

// Compares with only the ASCII letters A to Z folded (keywords such as "true", "on", "off").
bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

// Folds the ASCII letters A to Z to lower case in place; other characters are kept.
void FoldAsciiLower(std::u16string& text);

// Removes blanks, tabs, carriage returns and line feeds from both ends.
std::u16string_view TrimBlanks(std::u16string_view text);

#if defined(_WIN32)
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");
inline const wchar_t* AsWide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* AsWide(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }
inline const wchar_t* AsWide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline std::u16string_view FromWide(const wchar_t* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}
inline std::u16string_view FromWide(const wchar_t* s, std::size_t length) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(s), length);
}
#endif

}  // namespace kestrova
