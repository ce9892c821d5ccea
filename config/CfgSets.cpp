#include "config/CfgSets.h"

#include <vector>

#include "support/Failure.h"

using kestrova::KV_E_DUPLICATE;
using kestrova::KV_E_INVALID_DATA;
using kestrova::KV_E_INVALID_VALUE;
using kestrova::KV_OK;
using kestrova::KVResult;
using kestrova::XmlElementRef;

KVResult CfgLanguageTagSet::Parse(XmlElementRef element, CfgReadContext& context) {
  std::vector<XmlElementRef> entries;
  KV_RETURN_IF_FAILED_RECORDED(context.Children(element, "LanguageTag", entries));
  for (const XmlElementRef& entry : entries) {
    std::u16string tag;
    KV_RETURN_IF_FAILED_RECORDED(context.Text(entry, tag));
    if (!Tags.insert(std::move(tag)).second) return context.Fail(KV_E_DUPLICATE, entry, "the tag is listed twice");
  }
  return KV_OK;
}

KVResult CfgProcessorArchitectureSet::Parse(XmlElementRef element, CfgReadContext& context) {
  std::vector<XmlElementRef> entries;
  KV_RETURN_IF_FAILED_RECORDED(context.Children(element, "ProcessorArchitecture", entries));
  for (const XmlElementRef& entry : entries) {
    std::u16string name;
    KV_RETURN_IF_FAILED_RECORDED(context.Text(entry, name));
    ProcessorArch arch = ProcessorArch::None;
    if (!ProcessorArchFromName(name, arch)) {
      return context.Fail(KV_E_INVALID_DATA, entry, "not one of x86, x64, IA64, ARM, ARM64");
    }
    if (!Architectures.insert(arch).second) {
      return context.Fail(KV_E_DUPLICATE, entry, "the architecture is listed twice");
    }
  }
  return KV_OK;
}

KVResult CfgOSVersionSet::Parse(XmlElementRef element, CfgReadContext& context) {
  std::vector<XmlElementRef> entries;
  KV_RETURN_IF_FAILED_RECORDED(context.Children(element, "OSVersion", entries));
  for (const XmlElementRef& entry : entries) {
    bool exclude = false;
    KV_RETURN_IF_FAILED_RECORDED(context.OptionalBool(entry, "Exclude", false, exclude));
    std::u16string name;
    KV_RETURN_IF_FAILED_RECORDED(context.Text(entry, name));
    const bool orLater = name.size() > 1 && name.back() == u'+';
    if (orLater) name.pop_back();
    WindowsVersion version = WindowsVersion::OtherWindows;
    if (!WindowsVersionFromName(name, version)) {
      return context.Fail(KV_E_INVALID_DATA, entry, "not a Windows version name (letter case counts)");
    }
    if (!(exclude ? Excluded : Included).insert(version).second) {
      return context.Fail(KV_E_DUPLICATE, entry, "the version is listed twice on this side");
    }
    if (orLater) {
      const bool server = IsServerVersion(version);
      WindowsVersion& later = exclude ? (server ? ExcludedLaterServer : ExcludedLaterWorkstation)
                                      : (server ? IncludedLaterServer : IncludedLaterWorkstation);
      if (later != WindowsVersion::OtherWindows) {
        return context.Fail(KV_E_INVALID_VALUE, entry, "a second \"+\" entry of this kind on this side");
      }
      later = version;
    }
  }
  return KV_OK;
}

bool CfgOSVersionSet::Matches(WindowsVersion version) const {
  const bool server = IsServerVersion(version);
  const WindowsVersion excludedLater = server ? ExcludedLaterServer : ExcludedLaterWorkstation;
  const WindowsVersion includedLater = server ? IncludedLaterServer : IncludedLaterWorkstation;
  if (Excluded.count(version) != 0) return false;
  if (excludedLater != WindowsVersion::OtherWindows && version > excludedLater) return false;
  if (Included.count(version) != 0) return true;
  return includedLater != WindowsVersion::OtherWindows && version > includedLater;
}
