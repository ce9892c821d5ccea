// A configuration document read once for checking: its text, its XML tree, and where each element and attribute
// stands in the text. The checks of `kvsfx check` are passes over it.
#pragma once
#include <unordered_map>
#include <string>
#include <vector>

#include "support/XmlDocument.h"

namespace kestrova {

// 1-based; 0 where the place is not known.
struct SourcePosition {
  int line = 0;
  int column = 0;
};

// What a check found, at a place in the document.
struct ConfigFinding {
  enum class Severity { Warning, Error };
  Severity severity = Severity::Warning;
  std::string elementPath;  // "SelfExtractor/Launch/Options/Option[2]"; empty for the document as a whole
  std::string attribute;    // empty when the element itself is meant
  SourcePosition position;
  std::string text;    // one line
  std::string detail;  // more lines, shown indented below it; may be empty
};

// "SOURCE:LINE:COLUMN: warning: TEXT" (or "error:"), then the element path and the detail, each line indented by
// two blanks; ends with a line feed.
std::string FormatFinding(const std::string& source, const ConfigFinding& finding);

class ConfigDocument {
 public:
  explicit ConfigDocument(std::string text);
  ConfigDocument(const ConfigDocument&) = delete;
  ConfigDocument& operator=(const ConfigDocument&) = delete;

  const std::string& Text() const { return text_; }
  // False for text that is not well-formed XML: then there is no tree, only the verdict.
  bool Parsed() const { return parsed_; }
  XmlElementRef Root() const { return xml_.RootElement(); }

  // Where the start tag of `element` ('<') stands, or its attribute `attribute` when that is present.
  SourcePosition PositionOf(XmlElementRef element, const char* attribute = nullptr) const;
  // The position of a line's first character.
  SourcePosition LineStart(int line) const { return {line, line > 0 ? 1 : 0}; }
  // The element's path as XmlElementRef::Path gives it ("SelfExtractor/Launch/Options/Option[2]"), looked up.
  std::string PathOf(XmlElementRef element) const;
  // The element with this path, or a null handle.
  XmlElementRef Find(const std::string& path) const;
  // A finding at `element` (and its attribute).
  ConfigFinding At(XmlElementRef element, const char* attribute, ConfigFinding::Severity severity,
                   std::string text, std::string detail = {}) const;

 private:
  void IndexElements(XmlElementRef element, const std::string& path, std::size_t& cursor);
  SourcePosition PositionOfOffset(std::size_t offset) const;

  std::string text_;
  KVXmlDocument xml_;
  bool parsed_ = false;
  std::vector<std::size_t> lineStarts_;                // offset of each line's first byte
  // Each element's '<' and path, found once: a document may hold very many elements.
  std::unordered_map<const void*, std::size_t> elementOffsets_;
  std::unordered_map<const void*, std::string> elementPaths_;
  std::unordered_map<std::string, XmlElementRef> elementsByPath_;
};

}  // namespace kestrova
