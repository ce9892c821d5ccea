#include "support/XmlDocument.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/Text.h"

namespace {

using namespace kestrova;

XmlElementRef ParseRoot(KVXmlDocument& document, const std::string& xml) {
  EXPECT_EQ(document.Parse(xml.c_str()), KV_OK) << xml;
  return document.RootElement();
}

// `depth` nested <a> elements, the innermost written as `innermost`.
std::string Nested(int depth, const std::string& innermost) {
  return depth <= 1 ? innermost : "<a>" + Nested(depth - 1, innermost) + "</a>";
}

TEST(XmlValueTest, ValidUtf8ConvertsInvalidWidensWholeValueAsSignedBytes) {
  const std::pair<const char*, std::u16string> cases[] = {
      {"a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E4\u20AC\U0001F600"},
      {"a\xC3\xA4\x80\x7F\xFF", u"a\uFFC3\uFFA4\uFF80\u007F\uFFFF"},
      // Overlong, encoded surrogate, above U+10FFFF, truncated.
      {"\xC0\xAF", u"\uFFC0\uFFAF"}, {"\xED\xA0\x80", u"\uFFED\uFFA0\uFF80"},
      {"\xF4\x90\x80\x80", u"\uFFF4\uFF90\uFF80\uFF80"}, {"x\xE2\x82", u"x\uFFE2\uFF82"},
  };
  for (const auto& [utf8, utf16] : cases) EXPECT_EQ(XmlValueToUtf16(utf8), utf16) << utf8;
}

TEST(XmlParseTest, MalformedEmptyAndTooDeepDocuments) {
  KVXmlDocument document;
  EXPECT_EQ(document.Parse(nullptr), KV_E_XML_MALFORMED);
  // A processing instruction is taken only at the very start.
  for (const char* xml : {"", " \n", "<a><b></a>", "<a>", "<a x=\"1\" x=\"2\"/>", "<a x=1/>", "<a><?pi x?></a>"}) {
    EXPECT_EQ(document.Parse(xml), KV_E_XML_MALFORMED) << xml;
  }
  // The document is the first level: content of the 99th nested element would be the 100th.
  EXPECT_EQ(document.Parse(Nested(98, "<a>t</a>").c_str()), KV_OK);
  EXPECT_EQ(document.Parse(Nested(99, "<a/>").c_str()), KV_OK);
  EXPECT_EQ(document.Parse(Nested(99, "<a></a>").c_str()), KV_E_XML_MALFORMED);
  EXPECT_TRUE(document.RootElement().IsNull());  // nothing of a failed parse is kept

  ParseRoot(document, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!--c--><A/><B/><A/>");
  std::vector<XmlElementRef> top;
  EXPECT_EQ(document.GetChildElements("A", top), KV_OK);
  EXPECT_TRUE(top.size() == 2 && top[0] == document.RootElement());
}

TEST(XmlReadTest, TextIsOneTextOrCdataNodeOrNothingIdFoldsAsciiAndRejectsOuterWhiteSpace) {
  using Read = KVResult (*)(const XmlElementRef&, std::u16string&);
  const Read text = [](const XmlElementRef& e, std::u16string& value) { return e.GetText(value, u"default"); };
  const Read id = [](const XmlElementRef& e, std::u16string& value) { return e.ReadId(value); };
  const KVResult invalid = KV_E_INVALID_DATA;
  const std::tuple<Read, const char*, KVResult, std::u16string> cases[] = {
      {text, "<E/>", KV_OK, u""},  // no child gives empty text, not the default
      {text, "<E> \r\n\t </E>", KV_OK, u""},
      {text, "<E>\n  <![CDATA[ setup.exe ]]>\n  </E>", KV_OK, u" setup.exe "},
      {text, "<E>  a &lt;&amp;&quot; &#x41;&#66;  </E>", KV_OK, u"  a <&\" AB  "},
      {text, "<E>Gr\xFC\xDF \xC3\xA4</E>", KV_OK, u"Gr\uFFFC\uFFDF \uFFC3\uFFA4"},
      {text, "<E>text<!--c--></E>", invalid, u"default"}, {text, "<E><!--c--></E>", invalid, u"default"},
      {text, "<E><![CDATA[a]]><![CDATA[b]]></E>", invalid, u"default"},
      {text, "<E> <![CDATA[a]]> x </E>", invalid, u"default"},
      {id, "<E Id=\"Install-X64 \xC3\x84Z\"/>", KV_OK, u"install-x64 \u00C4z"}, {id, "<E/>", KV_E_NOT_FOUND, u""},
      {id, "<E Id=\"\"/>", KV_E_NOT_FOUND, u""}, {id, "<E Id=\"a&#9;\"/>", invalid, u""},  // the blanks: TextTests
  };
  KVXmlDocument document;
  for (const auto& [read, xml, code, expected] : cases) {
    std::u16string value = u"unset";
    EXPECT_EQ(read(ParseRoot(document, xml), value), code) << xml;
    EXPECT_EQ(value, expected) << xml;
  }
}

TEST(XmlReadTest, AttributeStringUnsignedAndBoolean) {
  KVXmlDocument document;
  const XmlElementRef e = ParseRoot(document,
      "<E S=\" a &amp; b\xE9tc\" u1=\" 5\" u2=\"5.7\" u3=\"+12\" u4=\"-1\" u5=\"0x1A\" n1=\"five\" n2=\"\" "
      "t=\"tRUE\" f=\"FALSE\" b1=\"1\" b2=\" true\" b3=\"true \"/>");
  std::u16string s;
  EXPECT_EQ(e.GetAttributeString("S", s, u"d"), KV_OK);
  EXPECT_EQ(s, u" a & b\uFFE9tc");  // invalid UTF-8 widened
  EXPECT_EQ(e.GetAttributeString("s", s, u"d"), KV_E_NOT_FOUND);  // names compare exactly
  EXPECT_EQ(s, u"d");
  // tinyxml2's conversion, which also reads a 0x prefix as hexadecimal.
  for (const auto& [name, code, expected] : {std::tuple{"u1", KV_OK, 5u}, {"u2", KV_OK, 5u}, {"u3", KV_OK, 12u},
           {"u4", KV_OK, 0xFFFFFFFFu}, {"u5", KV_OK, 26u}, {"n1", KV_E_INVALID_DATA, 0u}, {"n2", KV_E_INVALID_DATA, 0u},
           {"no", KV_E_NOT_FOUND, 0u}}) {
    std::uint32_t value = 7;
    EXPECT_EQ(e.GetAttributeUnsigned(name, value), code) << name;
    EXPECT_EQ(value, expected) << name;
  }
  for (const auto& [name, code, expected] : {std::tuple{"t", KV_OK, true}, {"f", KV_OK, false},
           {"b1", KV_E_INVALID_DATA, false}, {"b2", KV_E_INVALID_DATA, false}, {"b3", KV_E_INVALID_DATA, false},
           {"no", KV_E_NOT_FOUND, false}}) {
    bool value = !expected;
    EXPECT_EQ(e.GetAttributeBool(name, value), code) << name;
    EXPECT_EQ(value, expected) << name;
  }
}

TEST(XmlChildrenTest, ElementsInDocumentOrderAndTheNullHandle) {
  KVXmlDocument document;
  const XmlElementRef root =
      ParseRoot(document, "<R>text<A n=\"1\"/><!--c--><B/>more<A n=\"2\"><A/></A><![CDATA[x]]><a/></R>");
  // Names of the children found, "+" marking those with attribute n; a null or empty name takes all.
  const auto names = [&root](const char* name) {
    std::vector<XmlElementRef> children(3);
    EXPECT_EQ(root.GetChildElements(name, children), KV_OK);
    std::string out;
    for (const XmlElementRef& child : children) out += std::string(child.Name()) + (child.HasAttribute("n") ? "+" : "");
    return out;
  };
  EXPECT_EQ(names("A") + "|" + names(nullptr) + "|" + names("") + "|" + names("Missing"), "A+A+|A+BA+a|A+BA+a|");

  // A null handle reads nothing, and sets the defaults.
  const XmlElementRef none;
  std::vector<XmlElementRef> list(1);
  std::u16string text = u"unset", attribute = u"unset", id = u"unset";
  std::uint32_t number = 7;
  bool flag = true;
  for (KVResult result : {none.GetChildElements("A", list), none.GetAttributeUnsigned("A", number),
                          none.GetAttributeBool("A", flag), none.GetAttributeString("A", attribute, u"d"),
                          none.GetText(text, u"t"), none.ReadId(id)}) {
    EXPECT_EQ(result, KV_E_EMPTY_HANDLE);
  }
  EXPECT_EQ(std::tie(attribute, text, id), std::make_tuple(u"d", u"t", u""));
  EXPECT_TRUE(list.empty() && number == 0 && !flag && none.Name().empty() && !none.HasAttribute("A"));
  EXPECT_EQ(KVXmlDocument().RootElement(), none);
}

}  // namespace
