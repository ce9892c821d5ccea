// Language tags, the default language for the user, and the languages a launch run offers.
#include <gtest/gtest.h>

#include <set>

#include "support/Text.h"
#include "ui/LanguageMgr.h"

using namespace kestrova;

namespace {

// Knows every locale except xx-YY; names are "<locale> (en)" and "<locale> (loc)".
class FakeLocales final : public KVLocaleInfo {
 public:
  std::u16string userLocale = u"en-US";
  KVResult GetDisplayNames(const std::u16string& name, std::u16string& english, std::u16string& localized) override {
    if (name == u"xx-YY") return 87;
    english = name + u" (en)";
    localized = name + u" (loc)";
    return KV_OK;
  }
  KVResult GetUserUiLocaleName(std::u16string& name) override {
    name = userLocale;
    return KV_OK;
  }
};

std::u16string DefaultFor(const std::u16string& user, const std::set<std::u16string>& offered) {
  FakeLocales locales;
  locales.userLocale = user;
  LanguageMgr manager(locales, &offered);
  EXPECT_EQ(manager.Initialize(), KV_OK);
  return manager.Selected().tag;
}

}  // namespace

TEST(LanguageTag, SubtagsAndLocaleName) {
  const struct {
    std::u16string text;
    KVResult result;
    std::u16string locale;
  } cases[] = {
      {u"en_US", KV_OK, u"en-US"},           {u"zh-CN-Hans", KV_OK, u"zh-Hans-CN"},
      {u"sr-Latn-RS", KV_OK, u"sr-Latn-RS"}, {u"de", KV_OK, u"de"},
      {u"fil-PH", KV_OK, u"fil-PH"},         {u"en-US-US", KV_OK, u"en-US"},
      {u"en-x-US", KV_OK, u"en"},            // stops at a subtag of length 1
      {u"en-US-12345", KV_OK, u"en-US"},     // a third subtag of another length is ignored
      {u"en-US-GB", KV_E_INVALID_DATA, u""}, {u"english", KV_E_INVALID_DATA, u""}, {u"e-US", KV_E_INVALID_DATA, u""},
      {u"xx_YY", KV_E_INVALID_VALUE, u""},  // a locale the system does not know
  };
  FakeLocales locales;
  for (const auto& c : cases) {
    KVLanguageEntry entry;
    EXPECT_EQ(KVParseLanguageTag(c.text, locales, entry), c.result) << Utf16ToUtf8(c.text);
    if (c.result == KV_OK) {
      EXPECT_EQ(KVLocaleName(entry), c.locale) << Utf16ToUtf8(c.text);
      EXPECT_EQ(entry.tag, c.text);
    }
  }
}

TEST(LanguageMgr, DefaultFollowsTheUsersDisplayLanguage) {
  EXPECT_EQ(DefaultFor(u"de-AT", {u"de-DE", u"en-US"}), u"de-DE");
  EXPECT_EQ(DefaultFor(u"fr-FR", {u"de-DE", u"en-US"}), u"en-US");
  EXPECT_EQ(DefaultFor(u"ja-JP", {u"de-DE", u"fr-FR"}), u"");
  EXPECT_EQ(DefaultFor(u"de-DE", {u"de-AT", u"de-DE"}), u"de-DE");
  EXPECT_EQ(DefaultFor(u"fr-CA", {u"en-GB", u"en"}), u"en");  // plain en before any en
  EXPECT_EQ(DefaultFor(u"zh-Hant-TW", {u"zh-Hans-CN", u"zh-Hant-HK"}), u"zh-Hant-HK");
  EXPECT_EQ(DefaultFor(u"zh-Hant-TW", {u"zh-Hant-HK", u"zh-Hant-TW"}), u"zh-Hant-TW");
  EXPECT_EQ(DefaultFor(u"zh-Hans-CN", {u"zh-CN", u"zh-Hans"}), u"zh-Hans");
}

TEST(LanguageMgr, OffersTheReadableTagsAndSelectsExactlyAsWritten) {
  FakeLocales locales;
  // Malformed tags and an unknown locale are left out without a message.
  const std::set<std::u16string> offered{u"abcd", u"e", u"en-US-GB", u"en_US", u"fr-FR", u"xx-YY"};
  LanguageMgr manager(locales, &offered);
  ASSERT_EQ(manager.Initialize(), KV_OK);
  EXPECT_EQ(manager.Initialize(), KV_E_ALREADY_INITIALIZED);
  ASSERT_EQ(manager.Languages().size(), 2u);
  EXPECT_EQ(manager.Selected().tag, u"en_US");
  EXPECT_EQ(KVLanguageDisplayText(manager.Selected()), u"en-US (loc) [en-US (en)]");  // named as en-US
  KVLanguageEntry english;
  english.englishName = english.localizedName = u"English";
  EXPECT_EQ(KVLanguageDisplayText(english), u"English");  // one name where both agree
  for (const char16_t* refused : {u"en-US", u"EN_US", u"fr-fr"}) EXPECT_EQ(manager.SelectByTag(refused), KV_E_FAIL);
  EXPECT_EQ(manager.Selected().tag, u"en_US");  // a refused tag leaves the selection
  EXPECT_EQ(manager.SelectByTag(u"fr-FR"), KV_OK);
  EXPECT_EQ(manager.Selected().tag, u"fr-FR");

  const std::set<std::u16string> none;
  LanguageMgr empty(locales, &none);
  EXPECT_EQ(empty.Initialize(), KV_E_FAIL);
  LanguageMgr noOptions(locales, nullptr);
  EXPECT_EQ(noOptions.Initialize(), KV_E_FAIL);
}
