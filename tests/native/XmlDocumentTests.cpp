#include "support/XmlDocument.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
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
  std::string open, close;
  for (int i = 1; i < depth; ++i) open += "<a>", close += "</a>";
  return open + innermost + close;
}

TEST(XmlValueTest, ValidUtf8ConvertsInvalidWidensWholeValueAsSignedBytes) {
  EXPECT_EQ(XmlValueToUtf16("a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E4\u20AC\U0001F600");
  EXPECT_EQ(XmlValueToUtf16("a\xC3\xA4\x80\x7F\xFF"), u"a\uFFC3\uFFA4\uFF80\u007F\uFFFF");
  // Overlong, encoded surrogate, above U+10FFFF, truncated.
  EXPECT_EQ(XmlValueToUtf16("\xC0\xAF"), u"\uFFC0\uFFAF");
  EXPECT_EQ(XmlValueToUtf16("\xED\xA0\x80"), u"\uFFED\uFFA0\uFF80");
  EXPECT_EQ(XmlValueToUtf16("\xF4\x90\x80\x80"), u"\uFFF4\uFF90\uFF80\uFF80");
  EXPECT_EQ(XmlValueToUtf16("x\xE2\x82"), u"x\uFFE2\uFF82");
}

TEST(XmlParseTest, MalformedEmptyAndTooDeepDocuments) {
  KVXmlDocument document;
  EXPECT_EQ(document.Parse(nullptr), KV_E_XML_MALFORMED);
  for (const char* xml : {"", " \n", "<a><b></a>", "<a>", "<a x=\"1\" x=\"2\"/>", "<a x=1/>"}) {
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
  EXPECT_EQ(top.size(), 2u);
  EXPECT_EQ(document.RootElement(), top[0]);
}

TEST(XmlTextTest, OneTextOrCdataNodeOrNothing) {
  struct Case { const char* xml; KVResult result; std::u16string value; };
  const Case cases[] = {
      {"<E/>", KV_OK, u""},  // no child gives empty text, not the default
      {"<E> \r\n\t </E>", KV_OK, u""},
      {"<E>\n  <![CDATA[ setup.exe ]]>\n  </E>", KV_OK, u" setup.exe "},
      {"<E><![CDATA[<b>&amp;</b>]]></E>", KV_OK, u"<b>&amp;</b>"},
      {"<E>  a &lt;&amp;&quot; &#x41;&#66;  </E>", KV_OK, u"  a <&\" AB  "},
      {"<E>1\r\n2\r3</E>", KV_OK, u"1\n2\n3"},
      {"<E>Gr\xFC\xDF \xC3\xA4</E>", KV_OK, u"Gr\uFFFC\uFFDF \uFFC3\uFFA4"},
      {"<E>text<!-- note --></E>", KV_E_INVALID_DATA, u"default"},
      {"<E><!-- note -->text</E>", KV_E_INVALID_DATA, u"default"},
      {"<E><!-- only --></E>", KV_E_INVALID_DATA, u"default"},
      {"<E><![CDATA[a]]><![CDATA[b]]></E>", KV_E_INVALID_DATA, u"default"},
      {"<E> <![CDATA[a]]> x </E>", KV_E_INVALID_DATA, u"default"},
      {"<E><C/></E>", KV_E_INVALID_DATA, u"default"},
  };
  KVXmlDocument document;
  for (const Case& c : cases) {
    std::u16string value = u"unset";
    EXPECT_EQ(ParseRoot(document, c.xml).GetText(value, u"default"), c.result) << c.xml;
    EXPECT_EQ(value, c.value) << c.xml;
  }
}

TEST(XmlAttributeTest, StringUnsignedAndBoolean) {
  KVXmlDocument document;
  const XmlElementRef e = ParseRoot(document,
      "<E S=\" a &amp; b \" L=\"\xE9t\xE9\" u1=\" 5\" u2=\"5.7\" u3=\"+12\" u4=\"-1\" u5=\"0x1A\" n1=\"five\" n2=\"\" "
      "t1=\"True\" t2=\"tRUE\" f1=\"FALSE\" b1=\"yes\" b2=\"1\" b3=\" true\" b4=\"true \" b5=\"\"/>");
  std::u16string s;
  EXPECT_EQ(e.GetAttributeString("S", s, u"d"), KV_OK);
  EXPECT_EQ(s, u" a & b ");
  EXPECT_EQ(e.GetAttributeString("L", s), KV_OK);
  EXPECT_EQ(s, u"\uFFE9t\uFFE9");
  EXPECT_EQ(e.GetAttributeString("s", s, u"d"), KV_E_NOT_FOUND);  // names compare exactly
  EXPECT_EQ(s, u"d");

  // tinyxml2's conversion, which also reads a 0x prefix as hexadecimal.
  const std::pair<const char*, std::uint32_t> numbers[] = {
      {"u1", 5}, {"u2", 5}, {"u3", 12}, {"u4", 0xFFFFFFFF}, {"u5", 26}};
  for (const auto& [name, expected] : numbers) {
    std::uint32_t value = 0;
    EXPECT_EQ(e.GetAttributeUnsigned(name, value), KV_OK) << name;
    EXPECT_EQ(value, expected) << name;
  }
  for (const auto& [name, code] : {std::pair{"n1", KV_E_INVALID_DATA}, {"n2", KV_E_INVALID_DATA}, {"no", KV_E_NOT_FOUND}}) {
    std::uint32_t value = 7;
    EXPECT_EQ(e.GetAttributeUnsigned(name, value), code) << name;
    EXPECT_EQ(value, 0u) << name;
  }

  for (const auto& [name, code, expected] : {std::tuple{"t1", KV_OK, true}, {"t2", KV_OK, true}, {"f1", KV_OK, false},
           {"b1", KV_E_INVALID_DATA, false}, {"b2", KV_E_INVALID_DATA, false}, {"b3", KV_E_INVALID_DATA, false},
           {"b4", KV_E_INVALID_DATA, false}, {"b5", KV_E_INVALID_DATA, false}, {"no", KV_E_NOT_FOUND, false}}) {
    bool value = !expected;
    EXPECT_EQ(e.GetAttributeBool(name, value), code) << name;
    EXPECT_EQ(value, expected) << name;
  }
}

TEST(XmlAttributeTest, ReadIdFoldsAsciiAndRejectsOuterWhiteSpace) {
  const std::tuple<const char*, KVResult, std::u16string> cases[] = {
      {"<E Id=\"Install-X64 \xC3\x84Z\"/>", KV_OK, u"install-x64 \u00C4z"},
      {"<E/>", KV_E_NOT_FOUND, u""},
      {"<E id=\"a\"/>", KV_E_NOT_FOUND, u""},
      {"<E Id=\"\"/>", KV_E_NOT_FOUND, u""},
      {"<E Id=\" a\"/>", KV_E_INVALID_DATA, u""},
      {"<E Id=\"a&#9;\"/>", KV_E_INVALID_DATA, u""},
      {"<E Id=\"&#10;a\"/>", KV_E_INVALID_DATA, u""},
      {"<E Id=\"a&#13;\"/>", KV_E_INVALID_DATA, u""},
  };
  KVXmlDocument document;
  for (const auto& [xml, code, expected] : cases) {
    std::u16string id = u"unset";
    EXPECT_EQ(ParseRoot(document, xml).ReadId(id), code) << xml;
    EXPECT_EQ(id, expected) << xml;
  }
}

TEST(XmlChildrenTest, ElementsInDocumentOrderSkippingTextAndComments) {
  KVXmlDocument document;
  const XmlElementRef root =
      ParseRoot(document, "<R>text<A n=\"1\"/><!--c--><B/>more<A n=\"2\"><A/></A><![CDATA[x]]><a/></R>");
  std::vector<XmlElementRef> children(3);
  EXPECT_EQ(root.GetChildElements("A", children), KV_OK);
  ASSERT_EQ(children.size(), 2u);
  EXPECT_TRUE(children[1].HasAttribute("n"));
  EXPECT_EQ(root.GetChildElements(children), KV_OK);
  std::string names;
  for (const XmlElementRef& child : children) names += child.Name();
  EXPECT_EQ(names, "ABAa");
  EXPECT_EQ(root.GetChildElements("", children), KV_OK);
  EXPECT_EQ(children.size(), 4u);
  EXPECT_EQ(root.GetChildElements("Missing", children), KV_OK);
  EXPECT_TRUE(children.empty());
}

TEST(XmlChildrenTest, NullHandleIsAnEmptyHandleEverywhere) {
  const XmlElementRef none;
  std::vector<XmlElementRef> list(1);
  std::u16string text = u"unset";
  std::uint32_t number = 7;
  bool flag = true;
  EXPECT_EQ(none.GetChildElements("A", list), KV_E_EMPTY_HANDLE);
  EXPECT_EQ(none.GetAttributeUnsigned("A", number), KV_E_EMPTY_HANDLE);
  EXPECT_EQ(none.GetAttributeBool("A", flag), KV_E_EMPTY_HANDLE);
  EXPECT_TRUE(list.empty() && number == 0 && !flag);
  EXPECT_EQ(none.GetAttributeString("A", text, u"d"), KV_E_EMPTY_HANDLE);
  EXPECT_EQ(text, u"d");
  EXPECT_EQ(none.GetText(text, u"t"), KV_E_EMPTY_HANDLE);
  EXPECT_EQ(text, u"t");
  EXPECT_EQ(none.ReadId(text), KV_E_EMPTY_HANDLE);
  EXPECT_EQ(text, u"");
  EXPECT_EQ(KVXmlDocument().RootElement(), none);
}

class XmlFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kvsfx-xml-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path At(const char* utf8Name) const { return dir_ / std::filesystem::u8path(utf8Name); }
  std::u16string PathOf(const char* utf8Name) const { return Utf8ToUtf16(At(utf8Name).u8string()); }

  std::filesystem::path dir_;
};

TEST_F(XmlFileTest, SaveAddsDeclarationAndIndentsLoadReadsItBack) {
  KVXmlDocument document;
  ParseRoot(document, "<Root A=\"x &amp; y\"><Child>\xC3\xA4</Child></Root>");
  const std::u16string path = PathOf("r\xC3\xA9sum\xC3\xA9.xml");
  ASSERT_EQ(document.SaveFile(path, 0), KV_OK);
  std::ifstream in(At("r\xC3\xA9sum\xC3\xA9.xml"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root A=\"x &amp; y\">\n    <Child>\xC3\xA4</Child>\n</Root>\n");

  KVXmlDocument loaded;
  ASSERT_EQ(loaded.LoadFile(path), KV_OK);
  std::vector<XmlElementRef> children;
  ASSERT_EQ(loaded.RootElement().GetChildElements("Child", children), KV_OK);
  std::u16string text;
  EXPECT_EQ(children.at(0).GetText(text), KV_OK);
  EXPECT_EQ(text, u"\u00E4");
  EXPECT_EQ(loaded.SaveFile(path, 1), KV_OK);
}

TEST_F(XmlFileTest, OpenReadAndWriteErrors) {
  KVXmlDocument document;
  EXPECT_EQ(document.LoadFile(PathOf("missing.xml")), 0xE0010002u);  // ENOENT
  std::ofstream(At("empty.xml")).flush();
  std::ofstream(At("broken.xml")) << "<ok/><a><b></a>";
  EXPECT_EQ(document.LoadFile(PathOf("empty.xml")), KV_E_XML_LOAD);
  EXPECT_EQ(document.LoadFile(PathOf("broken.xml")), KV_E_XML_LOAD);
  EXPECT_TRUE(document.RootElement().IsNull());

  ParseRoot(document, "<Root/>");
  EXPECT_EQ(document.SaveFile(PathOf("no-folder/out.xml"), 0), 0xE0010002u);
  EXPECT_EQ(document.Native().FirstChild()->ToDeclaration(), nullptr);  // not inserted when opening fails
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(document.SaveFile(u"/dev/full", 0), KV_E_XML_SAVE);
  }
}

}  // namespace
