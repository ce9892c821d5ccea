#include "ui/win32/SystemLocaleInfo.h"

#include <windows.h>

#include "support/Text.h"

using kestrova::AsWide;
using kestrova::KVResult;

namespace {

// One locale text: a first call for the size, a second for the text.
KVResult GetLocaleText(const std::u16string& localeName, LCTYPE type, std::u16string& text) {
  const int size = GetLocaleInfoEx(AsWide(localeName), type, nullptr, 0);
  if (size <= 0) return GetLastError();
  text.assign(static_cast<std::size_t>(size), u'\0');
  const int written = GetLocaleInfoEx(AsWide(localeName), type, AsWide(text), size);
  if (written <= 0) return GetLastError();
  text.resize(static_cast<std::size_t>(written) - 1);
  return kestrova::KV_OK;
}

}  // namespace

KVResult SystemLocaleInfo::GetDisplayNames(const std::u16string& localeName, std::u16string& englishName,
                                           std::u16string& localizedName) {
  if (const KVResult r = GetLocaleText(localeName, LOCALE_SENGLISHDISPLAYNAME, englishName); r != kestrova::KV_OK) {
    return r;
  }
  return GetLocaleText(localeName, LOCALE_SLOCALIZEDDISPLAYNAME, localizedName);
}

KVResult SystemLocaleInfo::GetUserUiLocaleName(std::u16string& localeName) {
  constexpr int kLocaleNameUnits = 85;
  wchar_t buffer[kLocaleNameUnits] = {};
  if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), buffer, kLocaleNameUnits, 0) == 0) {
    return GetLastError();
  }
  localeName.assign(kestrova::FromWide(buffer));
  return kestrova::KV_OK;
}
