// Locale facts from the system's NLS functions.
#pragma once
#include "support/UiLanguageMgr.h"

class SystemLocaleInfo final : public kestrova::KVLocaleInfo {
 public:
  kestrova::KVResult GetDisplayNames(const std::u16string& localeName, std::u16string& englishName,
                                     std::u16string& localizedName) override;
  kestrova::KVResult GetUserUiLocaleName(std::u16string& localeName) override;
};
