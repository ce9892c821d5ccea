#include "support/UiLanguageMgr.h"

#include <functional>

namespace kestrova {
namespace {

constexpr KVResult kInvalidParameter = 87;

bool IsSeparator(char16_t c) { return c == u'-' || c == u'_'; }

// Takes the next subtag; false at the end of the text.
bool NextSubtag(std::u16string_view text, std::size_t& at, std::u16string_view& subtag) {
  if (at > text.size()) return false;
  std::size_t end = at;
  while (end < text.size() && !IsSeparator(text[end])) ++end;
  subtag = text.substr(at, end - at);
  at = end + 1;
  return true;
}

// A region (2) or script (4) subtag into its field; false when the field holds a different text.
bool TakeRegionOrScript(std::u16string_view subtag, KVLanguageEntry& entry, bool& taken) {
  std::u16string* field = subtag.size() == 2 ? &entry.region : subtag.size() == 4 ? &entry.script : nullptr;
  taken = field != nullptr;
  if (!field) return true;
  if (field->empty()) {
    field->assign(subtag);
    return true;
  }
  return *field == subtag;
}

}  // namespace

std::u16string KVLocaleName(const KVLanguageEntry& entry) {
  std::u16string name = entry.language;
  if (!entry.script.empty()) name += u'-' + entry.script;
  if (!entry.region.empty()) name += u'-' + entry.region;
  return name;
}

KVResult KVParseLanguageTag(std::u16string_view text, KVLocaleInfo& locales, KVLanguageEntry& entry) {
  entry = KVLanguageEntry{};
  entry.tag.assign(text);
  std::size_t at = 0;
  std::u16string_view subtag;
  NextSubtag(text, at, subtag);
  if (subtag.size() != 2 && subtag.size() != 3) return KV_E_INVALID_DATA;
  entry.language.assign(subtag);
  bool taken = false;
  if (NextSubtag(text, at, subtag) && TakeRegionOrScript(subtag, entry, taken) && taken &&
      NextSubtag(text, at, subtag)) {
    bool ignored = false;
    if (!TakeRegionOrScript(subtag, entry, ignored)) return KV_E_INVALID_DATA;
  }
  const KVResult r = locales.GetDisplayNames(KVLocaleName(entry), entry.englishName, entry.localizedName);
  if (r == kInvalidParameter) return KV_E_INVALID_VALUE;
  return r;
}

std::optional<std::size_t> KVDefaultLanguage(const std::vector<KVLanguageEntry>& entries,
                                             const KVLanguageEntry& user) {
  using Fits = std::function<bool(const KVLanguageEntry&)>;
  const auto sameLanguage = [&](const KVLanguageEntry& e) { return e.language == user.language; };
  std::vector<Fits> passes;
  if (!user.script.empty() && !user.region.empty()) {
    passes.push_back([&](const KVLanguageEntry& e) {
      return sameLanguage(e) && e.script == user.script && e.region == user.region;
    });
  }
  if (!user.script.empty()) {
    passes.push_back([&](const KVLanguageEntry& e) { return sameLanguage(e) && e.script == user.script; });
  }
  if (!user.region.empty()) {
    passes.push_back([&](const KVLanguageEntry& e) { return sameLanguage(e) && e.region == user.region; });
  }
  passes.push_back(sameLanguage);
  passes.push_back([](const KVLanguageEntry& e) {
    return e.language == u"en" && e.region.empty() && e.script.empty();
  });
  passes.push_back([](const KVLanguageEntry& e) { return e.language == u"en"; });
  for (const Fits& fits : passes) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (fits(entries[i])) return i;
    }
  }
  return std::nullopt;
}

std::u16string KVLanguageDisplayText(const KVLanguageEntry& entry) {
  if (entry.englishName == entry.localizedName) return entry.localizedName;
  return entry.localizedName + u" [" + entry.englishName + u"]";
}

KVResult KVWinUiLanguageMgr::Initialize() {
  if (!languages_.empty() || !selected_.tag.empty()) return KV_E_ALREADY_INITIALIZED;
  if (const KVResult r = LoadLanguages(); r != KV_OK) return r;
  selected_ = KVLanguageEntry{};
  if (languages_.empty()) return KV_OK;
  std::u16string userLocale;
  if (const KVResult r = locales_.GetUserUiLocaleName(userLocale); r != KV_OK) return r;
  KVLanguageEntry user;
  if (const KVResult r = KVParseLanguageTag(userLocale, locales_, user); r != KV_OK) return r;
  if (const auto index = KVDefaultLanguage(languages_, user)) selected_ = languages_[*index];
  return KV_OK;
}

KVResult KVWinUiLanguageMgr::SelectByTag(std::u16string_view tag) {
  for (const KVLanguageEntry& entry : languages_) {
    if (entry.tag == tag) {
      selected_ = entry;
      return KV_OK;
    }
  }
  return KV_E_FAIL;
}

}  // namespace kestrova
