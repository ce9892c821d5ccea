#include "config/CfgTask.h"

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
  const KVResult result = context.OptionalChild(parent, "ProgressDialog", element);
  if (result != KV_OK) return result;
  enabled = true;
  return element ? context.OptionalBool(element, "Enabled", true, enabled) : KV_OK;
}

// A dialog switch element whose Enabled is required; `absentValue` when the element is absent.
KVResult ReadDialogSwitch(XmlElementRef parent, const char* name, bool absentValue, CfgReadContext& context,
                          bool& enabled) {
  XmlElementRef element;
  const KVResult result = context.OptionalChild(parent, name, element);
  if (result != KV_OK) return result;
  enabled = absentValue;
  return element ? context.RequiredBool(element, "Enabled", enabled) : KV_OK;
}

}  // namespace

KVResult DefaultExtractTarget(SystemFacts& facts, std::u16string& target) {
  const KVResult result = facts.GetCurrentDirectoryFullPath(target);
  return result == 1 ? kestrova::KV_E_TARGET_TOO_LONG : result;
}

KVResult CfgExtract::Parse(XmlElementRef element, CfgReadContext& context) {
  KVResult result = ReadProgressDialog(element, context, ProgressDialogEnabled);
  if (result != KV_OK) return result;

  XmlElementRef target;
  if ((result = context.OptionalChild(element, "TargetPath", target)) != KV_OK) return result;
  if (target) {
    if ((result = context.Text(target, TargetPath)) != KV_OK) return result;
  } else if ((result = DefaultExtractTarget(context.facts, TargetPath)) != KV_OK) {
    return context.Fail(result, element, "the current directory cannot be made absolute");
  }

  return ReadDialogSwitch(element, "FolderSelectionDialog", true, context, FolderSelectionDialogEnabled);
}

KVResult CfgLaunch::Parse(XmlElementRef element, CfgReadContext& context) {
  KVResult result = ReadProgressDialog(element, context, ProgressDialogEnabled);
  if (result != KV_OK) return result;

  bool isAdmin = false;
  if ((result = context.facts.IsUserAdmin(isAdmin)) != KV_OK) {
    return context.Fail(result, element, "the administrator check failed");
  }
  std::u16string base;
  if (isAdmin) {
    if ((result = context.facts.GetWindowsFolder(base)) != KV_OK) {
      return context.Fail(result, element, "the Windows folder is not available");
    }
    base = AppendPathComponent(std::move(base), u"Installer");
  } else if ((result = context.facts.GetTempFolder(base)) != KV_OK) {
    return context.Fail(result, element, "the temporary folder is not available");
  }
  std::u16string guid;
  if ((result = context.facts.NewGuidText(guid)) != KV_OK) {
    return context.Fail(result, element, "no GUID for the extraction folder");
  }
  TargetPath = AppendPathComponent(std::move(base), guid);

  result = ReadDialogSwitch(element, "LanguageSelectionDialog", false, context, LanguageSelectionDialogEnabled);
  if (result != KV_OK) return result;

  auto options = std::make_shared<CfgOptions>(this);
  XmlElementRef optionsElement;
  if ((result = context.RequiredChild(element, "Options", optionsElement)) != KV_OK) return result;
  if ((result = options->Parse(optionsElement, context)) != KV_OK) return result;
  Options = std::move(options);
  return KV_OK;
}
