#include "ui/LanguageMgr.h"

using kestrova::KVResult;

KVResult LanguageMgr::LoadLanguages() {
  if (!offeredTags_) return kestrova::KV_E_FAIL;
  for (const std::u16string& tag : *offeredTags_) {
    kestrova::KVLanguageEntry entry;
    if (kestrova::KVParseLanguageTag(tag, Locales(), entry) == kestrova::KV_OK) {
      MutableLanguages().push_back(std::move(entry));
    }
  }
  return MutableLanguages().empty() ? kestrova::KV_E_FAIL : kestrova::KV_OK;
}
