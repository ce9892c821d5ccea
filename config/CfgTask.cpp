#include "config/CfgTask.h"

#include "support/Failure.h"

using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

namespace {

// `base` and `component` joined by one backslash.
std::u16string AppendPathComponent(std::u16string base, std::u16string_view component) {
  if (!base.empty() && base.back() != u'\\' && base.back() != u'/') base += u'\\';
  base += component;
  return base;
}

// ProgressDialog: absent, or present without Enabled, shows the dialog.
KVResult ReadProgressDialog(XmlElementRef parent, CfgReadContext& context, bool& enabled) {
  XmlElementRef element;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(parent, "ProgressDialog", element));
  enabled = true;
  return element ? context.OptionalBool(element, "Enabled", true, enabled) : KV_OK;
}

// A dialog switch element whose Enabled is required; `absentValue` when the element is absent.
KVResult ReadDialogSwitch(XmlElementRef parent, const char* name, bool absentValue, CfgReadContext& context,
                          bool& enabled) {
  XmlElementRef element;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(parent, name, element));
  enabled = absentValue;
  return element ? context.RequiredBool(element, "Enabled", enabled) : KV_OK;
}

}  // namespace

KVResult DefaultExtractTarget(SystemFacts& facts, std::u16string& target) {
  const KVResult result = facts.GetCurrentDirectoryFullPath(target);
  return result == 1 ? kestrova::KV_E_TARGET_TOO_LONG : result;
}

KVResult CfgExtract::Parse(XmlElementRef element, CfgReadContext& context) {
  KV_RETURN_IF_FAILED_RECORDED(ReadProgressDialog(element, context, ProgressDialogEnabled));

  XmlElementRef target;
  KV_RETURN_IF_FAILED_RECORDED(context.OptionalChild(element, "TargetPath", target));
  if (target) {
    KV_RETURN_IF_FAILED_RECORDED(context.Text(target, TargetPath));
  } else {
    KV_RETURN_IF_FAILED_RECORDED(context.Check(DefaultExtractTarget(context.facts, TargetPath), element,
                                               "the current directory cannot be made absolute"));
  }

  return ReadDialogSwitch(element, "FolderSelectionDialog", true, context, FolderSelectionDialogEnabled);
}

KVResult CfgLaunch::Parse(XmlElementRef element, CfgReadContext& context) {
  KV_RETURN_IF_FAILED_RECORDED(ReadProgressDialog(element, context, ProgressDialogEnabled));

  bool isAdmin = false;
  KV_RETURN_IF_FAILED_RECORDED(context.Check(context.facts.IsUserAdmin(isAdmin), element,
                                             "the administrator check failed"));
  std::u16string base;
  if (isAdmin) {
    KV_RETURN_IF_FAILED_RECORDED(context.Check(context.facts.GetWindowsFolder(base), element,
                                               "the Windows folder is not available"));
    base = AppendPathComponent(std::move(base), u"Installer");
  } else {
    KV_RETURN_IF_FAILED_RECORDED(context.Check(context.facts.GetTempFolder(base), element,
                                               "the temporary folder is not available"));
  }
  std::u16string guid;
  KV_RETURN_IF_FAILED_RECORDED(context.Check(context.facts.NewGuidText(guid), element,
                                             "no GUID for the extraction folder"));
  TargetPath = AppendPathComponent(std::move(base), guid);

  KV_RETURN_IF_FAILED_RECORDED(
      ReadDialogSwitch(element, "LanguageSelectionDialog", false, context, LanguageSelectionDialogEnabled));

  auto options = std::make_shared<CfgOptions>(this);
  XmlElementRef optionsElement;
  KV_RETURN_IF_FAILED_RECORDED(context.RequiredChild(element, "Options", optionsElement));
  KV_RETURN_IF_FAILED_RECORDED(options->Parse(optionsElement, context));
  Options = std::move(options);
  return KV_OK;
}
