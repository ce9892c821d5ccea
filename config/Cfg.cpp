#include "config/Cfg.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "support/Failure.h"
#include "support/StubContract.h"

using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_OK;
using kestrova::kDefaultApplicationTitle;
using kestrova::KVResult;
using kestrova::XmlElementRef;

namespace {

constexpr std::uint32_t kFormatVersionMajor = 5;
constexpr std::uint32_t kFormatVersionMinorMax = 2;

// The name part of a path (after the last backslash or slash) without its extension (from its last dot).
std::u16string_view FileNameWithoutExtension(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"\\/");
  std::u16string_view name = separator == std::u16string_view::npos ? path : path.substr(separator + 1);
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

KVResult ReadFormatVersion(XmlElementRef root, CfgReadContext& context) {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  for (const auto& [name, value] : {std::pair{"FormatVersionMajor", &major}, {"FormatVersionMinor", &minor}}) {
    const KVResult result = root.GetAttributeUnsigned(name, *value);
    if (result == kestrova::KV_E_NOT_FOUND) return context.Fail(result, root, "a required attribute is missing", name);
    KV_RETURN_IF_FAILED_RECORDED(context.Check(result, root, "the value must be a number", name));
  }
  if (major != kFormatVersionMajor) {
    return context.Fail(KV_E_INVALID_DATA, root, "unsupported format version (5.0 to 5.2)", "FormatVersionMajor");
  }
  if (minor > kFormatVersionMinorMax) {
    return context.Fail(KV_E_INVALID_DATA, root, "unsupported format version (5.0 to 5.2)", "FormatVersionMinor");
  }
  return KV_OK;
}

}  // namespace

Cfg::Cfg() : CfgObject(nullptr, {}), Title(kDefaultApplicationTitle) {}

namespace {
// At namespace scope: a function-local static would bring the thread-safe guard and its thread library code.
Cfg g_cfg;
}  // namespace

Cfg& GlobalCfg() { return g_cfg; }

KVResult DefaultExtractorTitle(SystemFacts& facts, std::u16string& title) {
  std::u16string path;
  KV_RETURN_IF_FAILED_RECORDED(facts.GetExecutablePath(path));
  title.assign(FileNameWithoutExtension(path));
  title += kDefaultApplicationTitle;
  return KV_OK;
}

KVResult Cfg::Load(const char* text, SystemFacts& facts, ConfigErrorLocation* location) {
  Extract.reset();
  Launch.reset();
  if (location != nullptr) *location = ConfigErrorLocation{};
  CfgReadContext context(facts, location);
  const KVResult result = Read(text, context);
  if (result != KV_OK) {
    Extract.reset();
    Launch.reset();
  }
  return result;
}

KVResult Cfg::Read(const char* text, CfgReadContext& context) {
  kestrova::KVXmlDocument document;
  KVResult result = document.Parse(text);
  if (result != KV_OK) {
    return context.FailAtLine(result, document.ErrorLineNumber(), "not well-formed XML (" + document.ErrorName() + ")");
  }
  std::vector<XmlElementRef> roots;
  result = document.GetChildElements("SelfExtractor", roots);
  if (result != KV_OK || roots.empty()) {
    return context.Fail(KV_E_INVALID_DATA, document.RootElement(), "the root element must be SelfExtractor");
  }
  const XmlElementRef root = roots.front();
  KV_RETURN_IF_FAILED_RECORDED(ReadFormatVersion(root, context));

  XmlElementRef element;
  std::u16string titleText;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(root, "Title", element));
  if (element) {
    KV_RETURN_IF_FAILED_RECORDED(context.Text(element, titleText));
    Title = u" " + titleText;
  }

  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(root, "Extract", element));
  if (element) {
    auto extract = std::make_shared<CfgExtract>(this, std::u16string());
    KV_RETURN_IF_FAILED_RECORDED(extract->Parse(element, context));
    Extract = std::move(extract);
    if (titleText.empty()) {
      KV_RETURN_IF_FAILED_RECORDED(context.Check(DefaultExtractorTitle(context.facts, Title), element,
                                                 "the executable's file name for the default title is not available"));
    }
  }

  XmlElementRef launchElement;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(root, "Launch", launchElement));
  if (launchElement) {
    auto launch = std::make_shared<CfgLaunch>(this, std::u16string());
    KV_RETURN_IF_FAILED_RECORDED(launch->Parse(launchElement, context));
    Launch = std::move(launch);
    if (titleText.empty()) Title = u" Setup";
  }

  if (!Launch && !Extract) {
    KV_RETURN_IF_FAILED_RECORDED(context.Check(UseDefaultExtract(titleText, context.facts), root,
                                               "the default extract target or title is not available"));
  } else if (Launch && Extract) {
    return context.Fail(KV_E_INVALID_DATA, launchElement, "Extract and Launch exclude each other");
  }
  return KV_OK;
}

KVResult Cfg::UseDefaultExtract(std::u16string_view titleText, SystemFacts& facts) {
  Extract.reset();
  Launch.reset();
  auto extract = std::make_shared<CfgExtract>(this, std::u16string());
  KV_RETURN_IF_FAILED_RECORDED(DefaultExtractTarget(facts, extract->TargetPath));
  extract->FolderSelectionDialogEnabled = true;
  extract->ProgressDialogEnabled = true;
  Extract = std::move(extract);
  if (titleText.empty()) KV_RETURN_IF_FAILED_RECORDED(DefaultExtractorTitle(facts, Title));
  return KV_OK;
}

ConfigReadReport ReadConfiguration(Cfg& cfg, const std::string& text, SystemFacts& facts) {
  ConfigReadReport report;
  report.code = cfg.Load(text.c_str(), facts, &report.location);
  return report;
}
