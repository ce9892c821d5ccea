// Reading layer over tinyxml2: an owned document and a small element handle that copies values out as UTF-16.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/ErrorCodes.h"

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace kestrova {

// UTF-8 text of the document as UTF-16. Bytes that are not valid UTF-8 make the whole value widened byte by
// byte as signed 8-bit numbers (0x00-0x7F to U+0000-U+007F, 0x80-0xFF to U+FF80-U+FFFF).
std::u16string XmlValueToUtf16(std::string_view utf8);

// A non-owning handle to one element of a KVXmlDocument, or none. Valid while the document is unchanged.
// Every reading operation returns KV_E_EMPTY_HANDLE on a null handle.
class XmlElementRef {
 public:
  XmlElementRef() = default;
  explicit XmlElementRef(const tinyxml2::XMLElement* element) : element_(element) {}

  bool IsNull() const { return element_ == nullptr; }
  explicit operator bool() const { return element_ != nullptr; }
  const tinyxml2::XMLElement* Get() const { return element_; }

  // The element name as written (UTF-8); empty for a null handle.
  std::string_view Name() const;
  bool HasAttribute(const char* name) const;
  // The names of the element's attributes in document order; none for a null handle.
  std::vector<std::string_view> AttributeNames() const;

  // 1-based source line of the element's start tag, or of its attribute `name` when that is present;
  // 0 for a null handle.
  int LineNumber(const char* attributeName = nullptr) const;
  // Names from the top-level element down to this one, joined by "/". A name carries its 1-based position
  // among the same-named siblings ("Option[2]") exactly when its parent has several children of that name.
  std::string Path() const;

  // Child elements named `name` in document order; a null or empty name takes every child element.
  // Text, comments and other nodes are skipped. `elements` is cleared first; none found is success.
  KVResult GetChildElements(const char* name, std::vector<XmlElementRef>& elements) const;
  KVResult GetChildElements(std::vector<XmlElementRef>& elements) const { return GetChildElements(nullptr, elements); }

  // Absent: `value` = `defaultValue` and KV_E_NOT_FOUND.
  KVResult GetAttributeString(const char* name, std::u16string& value, std::u16string_view defaultValue = {}) const;
  // tinyxml2's unsigned conversion. `value` is 0 on failure; absent: KV_E_NOT_FOUND; no number: KV_E_INVALID_DATA.
  KVResult GetAttributeUnsigned(const char* name, std::uint32_t& value) const;
  // "true" or "false" in any ASCII letter case, nothing around it. `value` is false on failure;
  // absent: KV_E_NOT_FOUND; other text: KV_E_INVALID_DATA.
  KVResult GetAttributeBool(const char* name, bool& value) const;

  // Text content: no child node gives the empty string, one text or CDATA node its text. Anything else
  // (two or more nodes, an element or comment child) is KV_E_INVALID_DATA. `value` starts as `defaultValue`.
  KVResult GetText(std::u16string& value, std::u16string_view defaultValue = {}) const;

  // The "Id" attribute folded to ASCII lower case. Absent or empty: KV_E_NOT_FOUND; leading or trailing
  // blank, tab, CR or LF: KV_E_INVALID_DATA. `value` is emptied on failure.
  KVResult ReadId(std::u16string& value) const;

  friend bool operator==(XmlElementRef a, XmlElementRef b) { return a.element_ == b.element_; }
  friend bool operator!=(XmlElementRef a, XmlElementRef b) { return a.element_ != b.element_; }

 private:
  const tinyxml2::XMLElement* element_ = nullptr;
};

// Owns one tinyxml2 document with entity processing on and white space preserved.
class KVXmlDocument {
 public:
  KVXmlDocument();
  ~KVXmlDocument();
  KVXmlDocument(const KVXmlDocument&) = delete;
  KVXmlDocument& operator=(const KVXmlDocument&) = delete;

  // Parses NUL-terminated UTF-8 text; null, empty or not well-formed: KV_E_XML_MALFORMED.
  KVResult Parse(const char* text);
  // After a failed Parse: the parser's line of the error (0 when it gave none) and its error
  // name ("XML_ERROR_MISMATCHED_ELEMENT"); 0 and empty after success.
  int ErrorLineNumber() const { return errorLine_; }
  const std::string& ErrorName() const { return errorName_; }

  // Top-level elements, as XmlElementRef::GetChildElements does for an element.
  KVResult GetChildElements(const char* name, std::vector<XmlElementRef>& elements) const;
  // The first top-level element, or a null handle.
  XmlElementRef RootElement() const;

 private:
  // Keeps the parser's error (Clear forgets it) and empties the document.
  void ClearAfterError();

  std::unique_ptr<tinyxml2::XMLDocument> document_;
  int errorLine_ = 0;
  std::string errorName_;
};

}  // namespace kestrova
