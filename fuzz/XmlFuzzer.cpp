// Arbitrary bytes through the parse and every reading operation on every element and attribute.
#include <tinyxml2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Text.h"
#include "support/XmlDocument.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadAll(kestrova::XmlElementRef element) {
  std::u16string text;
  const kestrova::KVResult textResult = element.GetText(text, u"default");
  Check(textResult == kestrova::KV_OK || (textResult == kestrova::KV_E_INVALID_DATA && text == u"default"));

  for (const tinyxml2::XMLAttribute* a = element.Get()->FirstAttribute(); a != nullptr; a = a->Next()) {
    std::u16string value;
    Check(element.GetAttributeString(a->Name(), value) == kestrova::KV_OK);
    std::uint32_t number = 0;
    const kestrova::KVResult numberResult = element.GetAttributeUnsigned(a->Name(), number);
    Check(numberResult == kestrova::KV_OK || (numberResult == kestrova::KV_E_INVALID_DATA && number == 0));
    bool flag = false;
    const kestrova::KVResult flagResult = element.GetAttributeBool(a->Name(), flag);
    Check(flagResult == kestrova::KV_OK || (flagResult == kestrova::KV_E_INVALID_DATA && !flag));
  }

  std::u16string id;
  if (element.ReadId(id) == kestrova::KV_OK) {
    Check(!id.empty() && kestrova::TrimBlanks(id).size() == id.size());
  } else {
    Check(id.empty());
  }

  std::vector<kestrova::XmlElementRef> all;
  std::vector<kestrova::XmlElementRef> named;
  Check(element.GetChildElements(all) == kestrova::KV_OK);
  for (const kestrova::XmlElementRef& child : all) {
    Check(element.GetChildElements(std::string(child.Name()).c_str(), named) == kestrova::KV_OK && !named.empty());
    ReadAll(child);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Each UTF-8 sequence, and each widened byte, gives at most one UTF-16 unit per byte.
  Check(kestrova::XmlValueToUtf16(bytes).size() <= bytes.size());

  kestrova::KVXmlDocument document;
  if (document.Parse(bytes.c_str()) != kestrova::KV_OK) {
    Check(document.RootElement().IsNull());
    return 0;
  }
  std::vector<kestrova::XmlElementRef> top;
  Check(document.GetChildElements(nullptr, top) == kestrova::KV_OK);
  for (const kestrova::XmlElementRef& element : top) ReadAll(element);
  return 0;
}
