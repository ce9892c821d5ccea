// Languages offered to the user and the choice of one: tag parsing, the default guessed from the user's
// display language, selection by tag. Locale facts come through `KVLocaleInfo`.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/ErrorCodes.h"

namespace kestrova {

struct KVLanguageEntry {
  std::u16string tag;       // as written, e.g. en-US
  std::u16string language;  // 2 or 3 characters
  std::u16string region;    // 2 characters
  std::u16string script;    // 4 characters
  std::u16string englishName;
  std::u16string localizedName;
};

class KVLocaleInfo {
 public:
  virtual ~KVLocaleInfo() = default;
  // The locale's English and localized display names; a system error code for an unknown locale
  // (87, ERROR_INVALID_PARAMETER, when the system does not know it).
  virtual KVResult GetDisplayNames(const std::u16string& localeName, std::u16string& englishName,
                                   std::u16string& localizedName) = 0;
  // The locale name of the user's display language, e.g. de-AT.
  virtual KVResult GetUserUiLocaleName(std::u16string& localeName) = 0;
};

// The locale name built from a parsed entry: language, then -script, then -region.
std::u16string KVLocaleName(const KVLanguageEntry& entry);

// "-" and "_" separate subtags. KV_E_INVALID_DATA for a malformed tag, KV_E_INVALID_VALUE for a locale the
// system does not know, another system code for other lookup failures.
KVResult KVParseLanguageTag(std::u16string_view text, KVLocaleInfo& locales, KVLanguageEntry& entry);

// The entry that fits the user's language best, in passes: language+script+region, language+script,
// language+region, language, plain "en", any "en". Nothing when no pass fits.
std::optional<std::size_t> KVDefaultLanguage(const std::vector<KVLanguageEntry>& entries,
                                             const KVLanguageEntry& user);

// Display text in the language dialog: the localized name, with " [English name]" when that differs.
std::u16string KVLanguageDisplayText(const KVLanguageEntry& entry);

class KVWinUiLanguageMgr {
 public:
  explicit KVWinUiLanguageMgr(KVLocaleInfo& locales) : locales_(locales) {}
  virtual ~KVWinUiLanguageMgr() = default;
  KVWinUiLanguageMgr(const KVWinUiLanguageMgr&) = delete;
  KVWinUiLanguageMgr& operator=(const KVWinUiLanguageMgr&) = delete;

  // Loads the languages and selects the default. KV_E_ALREADY_INITIALIZED when called twice.
  KVResult Initialize();
  // The first entry whose tag equals `tag` exactly becomes the selection; KV_E_FAIL leaves it unchanged.
  KVResult SelectByTag(std::u16string_view tag);

  const std::vector<KVLanguageEntry>& Languages() const { return languages_; }
  const KVLanguageEntry& Selected() const { return selected_; }  // empty tag: nothing selected

 protected:
  virtual KVResult LoadLanguages() = 0;
  KVLocaleInfo& Locales() { return locales_; }
  std::vector<KVLanguageEntry>& MutableLanguages() { return languages_; }

 private:
  KVLocaleInfo& locales_;
  std::vector<KVLanguageEntry> languages_;
  KVLanguageEntry selected_;
};

}  // namespace kestrova
