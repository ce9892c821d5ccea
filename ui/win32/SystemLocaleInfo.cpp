#include "ui/win32/SystemLocaleInfo.h"

#include <windows.h>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"

using kestrova::AsWide;
using kestrova::KVResult;

namespace {

// One locale text: a first call for the size, a second for the text.
KVResult GetLocaleText(const std::u16string& localeName, LCTYPE type, std::u16string& text) {
  const int size = GetLocaleInfoEx(AsWide(localeName), type, nullptr, 0);
  KV_RETURN_LAST_ERROR_IF(size <= 0, "reading locale text {} of {}", type, localeName);
  text.assign(static_cast<std::size_t>(size), u'\0');
  const int written = GetLocaleInfoEx(AsWide(localeName), type, AsWide(text), size);
  KV_RETURN_LAST_ERROR_IF(written <= 0, "reading locale text {} of {}", type, localeName);
  text.resize(static_cast<std::size_t>(written) - 1);
  return kestrova::KV_OK;
}

}  // namespace

KVResult SystemLocaleInfo::GetDisplayNames(const std::u16string& localeName, std::u16string& englishName,
                                           std::u16string& localizedName) {
  KV_RETURN_IF_FAILED(GetLocaleText(localeName, LOCALE_SENGLISHDISPLAYNAME, englishName), "naming {}", localeName);
  KV_RETURN_IF_FAILED(GetLocaleText(localeName, LOCALE_SLOCALIZEDDISPLAYNAME, localizedName), "naming {}", localeName);
  return kestrova::KV_OK;
}

KVResult SystemLocaleInfo::GetUserUiLocaleName(std::u16string& localeName) {
  constexpr int kLocaleNameUnits = 85;
  wchar_t buffer[kLocaleNameUnits] = {};
  const LCID display = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  KV_RETURN_IF_WIN32_FALSE(LCIDToLocaleName(display, buffer, kLocaleNameUnits, 0), "naming the display language {}",
                           display);
  localeName.assign(kestrova::FromWide(buffer));
  return kestrova::KV_OK;
}
