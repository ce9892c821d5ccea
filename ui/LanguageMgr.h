// The languages a launch-mode run offers: the tags of the candidate options.
#pragma once
#include <set>
#include <string>

#include "support/UiLanguageMgr.h"

class LanguageMgr final : public kestrova::KVWinUiLanguageMgr {
 public:
  // `offeredTags` in ascending code-unit order; null when the configuration has no options.
  LanguageMgr(kestrova::KVLocaleInfo& locales, const std::set<std::u16string>* offeredTags)
      : KVWinUiLanguageMgr(locales), offeredTags_(offeredTags) {}

 protected:
  // Tags that do not parse, or name a locale the system does not know, are left out silently.
  kestrova::KVResult LoadLanguages() override;

 private:
  const std::set<std::u16string>* offeredTags_;
};
