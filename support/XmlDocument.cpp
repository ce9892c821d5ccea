#include "support/XmlDocument.h"

#include <tinyxml2.h>

#include <utility>

#include "support/Text.h"

namespace kestrova {
namespace {

static_assert(sizeof(unsigned) == sizeof(std::uint32_t), "tinyxml2 converts to a 32-bit unsigned");

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequence.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;   // range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

KVResult CollectChildElements(const tinyxml2::XMLNode* parent, const char* name,
                              std::vector<XmlElementRef>& elements) {
  elements.clear();
  if (parent == nullptr) return KV_E_EMPTY_HANDLE;
  if (name != nullptr && *name == '\0') name = nullptr;
  for (const tinyxml2::XMLElement* child = parent->FirstChildElement(name); child != nullptr;
       child = child->NextSiblingElement(name)) {
    elements.emplace_back(child);
  }
  return KV_OK;
}

const tinyxml2::XMLAttribute* FindAttribute(const tinyxml2::XMLElement* element, const char* name) {
  return name != nullptr ? element->FindAttribute(name) : nullptr;
}

}  // namespace

std::u16string XmlValueToUtf16(std::string_view utf8) {
  if (IsValidUtf8(utf8)) return Utf8ToUtf16(utf8);
  std::u16string widened;
  widened.reserve(utf8.size());
  for (const char byte : utf8) {
    // Sign extension: 0x80..0xFF become U+FF80..U+FFFF.
    widened.push_back(static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(byte))));
  }
  return widened;
}

// --- XmlElementRef ---

std::string_view XmlElementRef::Name() const {
  return element_ != nullptr ? std::string_view(element_->Name()) : std::string_view();
}

bool XmlElementRef::HasAttribute(const char* name) const {
  return element_ != nullptr && FindAttribute(element_, name) != nullptr;
}

std::vector<std::string_view> XmlElementRef::AttributeNames() const {
  std::vector<std::string_view> names;
  if (element_ == nullptr) return names;
  for (const tinyxml2::XMLAttribute* a = element_->FirstAttribute(); a != nullptr; a = a->Next()) {
    names.emplace_back(a->Name());
  }
  return names;
}

int XmlElementRef::LineNumber(const char* attributeName) const {
  if (element_ == nullptr) return 0;
  const tinyxml2::XMLAttribute* attribute = FindAttribute(element_, attributeName);
  return attribute != nullptr ? attribute->GetLineNum() : element_->GetLineNum();
}

std::string XmlElementRef::Path() const {
  std::string path;
  for (const tinyxml2::XMLElement* e = element_; e != nullptr;
       e = e->Parent() != nullptr ? e->Parent()->ToElement() : nullptr) {
    const char* name = e->Name();
    std::size_t position = 1;
    for (const tinyxml2::XMLElement* s = e->PreviousSiblingElement(name); s != nullptr;
         s = s->PreviousSiblingElement(name)) {
      ++position;
    }
    std::string step = name;
    if (position > 1 || e->NextSiblingElement(name) != nullptr) step += "[" + std::to_string(position) + "]";
    path = path.empty() ? step : step + "/" + path;
  }
  return path;
}

KVResult XmlElementRef::GetChildElements(const char* name, std::vector<XmlElementRef>& elements) const {
  return CollectChildElements(element_, name, elements);
}

KVResult XmlElementRef::GetAttributeString(const char* name, std::u16string& value,
                                           std::u16string_view defaultValue) const {
  value.assign(defaultValue);
  if (element_ == nullptr) return KV_E_EMPTY_HANDLE;
  const tinyxml2::XMLAttribute* attribute = FindAttribute(element_, name);
  if (attribute == nullptr) return KV_E_NOT_FOUND;
  value = XmlValueToUtf16(attribute->Value());
  return KV_OK;
}

KVResult XmlElementRef::GetAttributeUnsigned(const char* name, std::uint32_t& value) const {
  value = 0;
  if (element_ == nullptr) return KV_E_EMPTY_HANDLE;
  const tinyxml2::XMLAttribute* attribute = FindAttribute(element_, name);
  if (attribute == nullptr) return KV_E_NOT_FOUND;
  unsigned number = 0;
  if (attribute->QueryUnsignedValue(&number) != tinyxml2::XML_SUCCESS) return KV_E_INVALID_DATA;
  value = number;
  return KV_OK;
}

KVResult XmlElementRef::GetAttributeBool(const char* name, bool& value) const {
  value = false;
  if (element_ == nullptr) return KV_E_EMPTY_HANDLE;
  const tinyxml2::XMLAttribute* attribute = FindAttribute(element_, name);
  if (attribute == nullptr) return KV_E_NOT_FOUND;
  const std::string_view text = attribute->Value();
  if (EqualsAsciiNoCase(text, "true")) {
    value = true;
    return KV_OK;
  }
  return EqualsAsciiNoCase(text, "false") ? KV_OK : KV_E_INVALID_DATA;
}

KVResult XmlElementRef::GetText(std::u16string& value, std::u16string_view defaultValue) const {
  value.assign(defaultValue);
  if (element_ == nullptr) return KV_E_EMPTY_HANDLE;
  const tinyxml2::XMLNode* child = element_->FirstChild();
  if (child == nullptr) {
    value.clear();
    return KV_OK;
  }
  if (child->ToText() == nullptr || child->NextSibling() != nullptr) return KV_E_INVALID_DATA;
  value = XmlValueToUtf16(child->Value());
  return KV_OK;
}

KVResult XmlElementRef::ReadId(std::u16string& value) const {
  value.clear();
  std::u16string id;
  const KVResult result = GetAttributeString("Id", id);
  if (result != KV_OK) return result;
  if (id.empty()) return KV_E_NOT_FOUND;
  if (TrimBlanks(id).size() != id.size()) return KV_E_INVALID_DATA;
  FoldAsciiLower(id);
  value = std::move(id);
  return KV_OK;
}

// --- KVXmlDocument ---

KVXmlDocument::KVXmlDocument()
    : document_(std::make_unique<tinyxml2::XMLDocument>(true, tinyxml2::PRESERVE_WHITESPACE)) {}

KVXmlDocument::~KVXmlDocument() = default;

KVResult KVXmlDocument::Parse(const char* text) {
  errorLine_ = 0;
  errorName_.clear();
  if (text == nullptr || *text == '\0') {
    document_->Clear();
    errorName_ = tinyxml2::XMLDocument::ErrorIDToName(tinyxml2::XML_ERROR_EMPTY_DOCUMENT);
    return KV_E_XML_MALFORMED;
  }
  if (document_->Parse(text) != tinyxml2::XML_SUCCESS) {
    ClearAfterError();
    return KV_E_XML_MALFORMED;
  }
  return KV_OK;
}

void KVXmlDocument::ClearAfterError() {
  errorLine_ = document_->ErrorLineNum();
  errorName_ = document_->ErrorName();
  document_->Clear();
}

KVResult KVXmlDocument::GetChildElements(const char* name, std::vector<XmlElementRef>& elements) const {
  return CollectChildElements(document_.get(), name, elements);
}

XmlElementRef KVXmlDocument::RootElement() const { return XmlElementRef(document_->FirstChildElement()); }

}  // namespace kestrova
