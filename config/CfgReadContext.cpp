#include "config/CfgReadContext.h"

#include <utility>

#include "support/Failure.h"

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_NOT_FOUND;
using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

KVResult CfgReadContext::Fail(KVResult code, XmlElementRef element, const char* detail, const char* attribute) {
  if (failed_) return code;
  failed_ = true;
  if (location_ != nullptr) {
    location_->elementPath = element.Path();
    location_->attribute = attribute != nullptr ? attribute : "";
    location_->line = element.LineNumber(attribute);
    location_->detail = detail != nullptr ? detail : "";
  }
  return code;
}

KVResult CfgReadContext::Check(KVResult result, XmlElementRef element, const char* detail, const char* attribute) {
  return result != KV_OK ? Fail(result, element, detail, attribute) : KV_OK;
}

KVResult CfgReadContext::FailAtLine(KVResult code, int line, std::string detail) {
  if (failed_) return code;
  failed_ = true;
  if (location_ != nullptr) {
    *location_ = ConfigErrorLocation{};
    location_->line = line;
    location_->detail = std::move(detail);
  }
  return code;
}

KVResult CfgReadContext::OptionalChild(XmlElementRef parent, const char* name, XmlElementRef& child) {
  child = XmlElementRef();
  std::vector<XmlElementRef> found;
  KV_RETURN_IF_FAILED_RECORDED(Check(parent.GetChildElements(name, found), parent, "no element"));
  if (found.size() > 1) return Fail(KV_E_INVALID_DATA, found[1], "the element may appear only once here");
  if (!found.empty()) child = found[0];
  return KV_OK;
}

KVResult CfgReadContext::RequiredChild(XmlElementRef parent, const char* name, XmlElementRef& child) {
  KV_RETURN_IF_FAILED_RECORDED(OptionalChild(parent, name, child));
  if (child.IsNull()) {
    const std::string detail = std::string("exactly one ") + name + " element is required here";
    return Fail(KV_E_INVALID_DATA, parent, detail.c_str());
  }
  return KV_OK;
}

KVResult CfgReadContext::Children(XmlElementRef parent, const char* name, std::vector<XmlElementRef>& children) {
  KV_RETURN_IF_FAILED_RECORDED(Check(parent.GetChildElements(name, children), parent, "no element"));
  if (children.empty()) {
    const std::string detail = std::string("at least one ") + name + " element is required here";
    return Fail(KV_E_INVALID_DATA, parent, detail.c_str());
  }
  return KV_OK;
}

KVResult CfgReadContext::Text(XmlElementRef element, std::u16string& value) {
  const KVResult result = element.GetText(value);
  if (result == KV_E_INVALID_DATA) {
    return Fail(result, element, "the content must be one text or CDATA section, without comments or elements");
  }
  return Check(result, element, "no element");
}

KVResult CfgReadContext::Id(XmlElementRef element, std::u16string& id) {
  const KVResult result = element.ReadId(id);
  if (result == KV_E_NOT_FOUND) return Fail(result, element, "the Id is missing or empty", "Id");
  if (result == KV_E_INVALID_DATA) return Fail(result, element, "the Id begins or ends with white space", "Id");
  return Check(result, element, "no element", "Id");
}

KVResult CfgReadContext::RequiredString(XmlElementRef element, const char* name, std::u16string& value) {
  const KVResult result = element.GetAttributeString(name, value);
  if (result == KV_E_NOT_FOUND) return Fail(result, element, "a required attribute is missing", name);
  return Check(result, element, "no element", name);
}

KVResult CfgReadContext::RequiredBool(XmlElementRef element, const char* name, bool& value) {
  const KVResult result = element.GetAttributeBool(name, value);
  if (result == KV_E_NOT_FOUND) return Fail(result, element, "a required attribute is missing", name);
  if (result == KV_E_INVALID_DATA) return Fail(result, element, "the value must be true or false", name);
  return Check(result, element, "no element", name);
}

KVResult CfgReadContext::OptionalBool(XmlElementRef element, const char* name, bool absentValue, bool& value) {
  if (!element.IsNull() && !element.HasAttribute(name)) {
    value = absentValue;
    return KV_OK;
  }
  return RequiredBool(element, name, value);
}
