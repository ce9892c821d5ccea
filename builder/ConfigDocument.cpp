#include "builder/ConfigDocument.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "support/Formatter.h"

namespace kestrova {
namespace {

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The children with the steps of their paths: a name carries its position among same-named siblings exactly
// when there are several (as XmlElementRef::Path writes it).
std::vector<std::pair<XmlElementRef, std::string>> NamedChildren(XmlElementRef parent, const KVXmlDocument* document) {
  std::vector<XmlElementRef> children;
  if (document != nullptr) {
    document->GetChildElements(nullptr, children);
  } else {
    parent.GetChildElements(children);
  }
  std::map<std::string_view, std::size_t> counts;
  for (const XmlElementRef& child : children) ++counts[child.Name()];
  std::map<std::string_view, std::size_t> seen;
  std::vector<std::pair<XmlElementRef, std::string>> named;
  for (const XmlElementRef& child : children) {
    std::string step(child.Name());
    const std::size_t position = ++seen[child.Name()];
    if (counts[child.Name()] > 1) step += "[" + std::to_string(position) + "]";
    named.emplace_back(child, std::move(step));
  }
  return named;
}

}  // namespace

std::string FormatFinding(const std::string& source, const ConfigFinding& finding) {
  std::string text = source;
  if (finding.position.line > 0) text += KVFormat(":{}:{}", finding.position.line, finding.position.column);
  text += finding.severity == ConfigFinding::Severity::Error ? ": error: " : ": warning: ";
  text += finding.text + "\n";
  if (!finding.elementPath.empty()) {
    text += "  at " + finding.elementPath + (finding.attribute.empty() ? "" : ", attribute " + finding.attribute) + "\n";
  }
  std::size_t start = 0;
  while (start < finding.detail.size()) {
    const std::size_t end = std::min(finding.detail.find('\n', start), finding.detail.size());
    text += "  " + finding.detail.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return text;
}

ConfigDocument::ConfigDocument(std::string text) : text_(std::move(text)) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\n') lineStarts_.push_back(i + 1);
  }
  parsed_ = xml_.Parse(text_.c_str()) == KV_OK;
  std::size_t cursor = 0;
  if (parsed_) {
    for (const auto& [element, step] : NamedChildren(XmlElementRef(), &xml_)) IndexElements(element, step, cursor);
  }
}

// Elements come in document order, so each start tag lies after the one before it, on the line the parser gave.
void ConfigDocument::IndexElements(XmlElementRef element, const std::string& path, std::size_t& cursor) {
  elementPaths_[element.Get()] = path;
  elementsByPath_.emplace(path, element);
  const std::string tag = "<" + std::string(element.Name());
  const int line = element.LineNumber();
  std::size_t at = std::max(cursor, line > 0 && static_cast<std::size_t>(line) <= lineStarts_.size()
                                        ? lineStarts_[static_cast<std::size_t>(line) - 1]
                                        : 0);
  for (;; ++at) {
    at = text_.find(tag, at);
    if (at == std::string::npos) break;
    const char next = at + tag.size() < text_.size() ? text_[at + tag.size()] : '\0';
    if (IsXmlBlank(next) || next == '/' || next == '>') break;
  }
  if (at != std::string::npos) {
    elementOffsets_[element.Get()] = at;
    cursor = at + 1;
  }
  for (const auto& [child, step] : NamedChildren(element, nullptr)) IndexElements(child, path + "/" + step, cursor);
}

SourcePosition ConfigDocument::PositionOfOffset(std::size_t offset) const {
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
  const std::size_t line = static_cast<std::size_t>(next - lineStarts_.begin());
  return {static_cast<int>(line), static_cast<int>(offset - lineStarts_[line - 1] + 1)};
}

SourcePosition ConfigDocument::PositionOf(XmlElementRef element, const char* attribute) const {
  const auto found = elementOffsets_.find(element.Get());
  if (found == elementOffsets_.end()) return LineStart(element.LineNumber(attribute));
  if (attribute == nullptr || !element.HasAttribute(attribute)) return PositionOfOffset(found->second);
  // The attribute's name after a blank and before '=' in the start tag.
  const std::size_t length = std::strlen(attribute);
  for (std::size_t at = found->second; (at = text_.find(attribute, at + 1)) != std::string::npos;) {
    if (!IsXmlBlank(text_[at - 1])) continue;
    std::size_t after = at + length;
    while (after < text_.size() && IsXmlBlank(text_[after])) ++after;
    if (after < text_.size() && text_[after] == '=') return PositionOfOffset(at);
  }
  return PositionOfOffset(found->second);
}

std::string ConfigDocument::PathOf(XmlElementRef element) const {
  const auto found = elementPaths_.find(element.Get());
  return found != elementPaths_.end() ? found->second : element.Path();
}

XmlElementRef ConfigDocument::Find(const std::string& path) const {
  const auto found = elementsByPath_.find(path);
  return found != elementsByPath_.end() ? found->second : XmlElementRef();
}

ConfigFinding ConfigDocument::At(XmlElementRef element, const char* attribute, ConfigFinding::Severity severity,
                                 std::string text, std::string detail) const {
  ConfigFinding finding;
  finding.severity = severity;
  finding.elementPath = PathOf(element);
  if (attribute != nullptr && element.HasAttribute(attribute)) finding.attribute = attribute;
  finding.position = PositionOf(element, attribute);
  finding.text = std::move(text);
  finding.detail = std::move(detail);
  return finding;
}

}  // namespace kestrova
