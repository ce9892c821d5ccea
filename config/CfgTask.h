// The two modes of a configuration: extract only, or extract and launch.
#pragma once
#include <memory>
#include <string>

#include "config/CfgObject.h"
#include "config/CfgOptions.h"
#include "config/CfgReadContext.h"

class CfgTask : public CfgObject {
 public:
  using CfgObject::CfgObject;

  bool ProgressDialogEnabled = false;  // reading sets it; true when the element or attribute is absent
  std::u16string TargetPath;           // folder to extract into
};

class CfgExtract final : public CfgTask {
 public:
  using CfgTask::CfgTask;
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);

  bool FolderSelectionDialogEnabled = false;  // reading sets it; true when the element is absent
};

class CfgLaunch final : public CfgTask {
 public:
  using CfgTask::CfgTask;
  // TargetPath becomes a fresh GUID-named folder under the Windows folder's "Installer" folder with
  // administrator rights, else under the temporary folder.
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);

  bool LanguageSelectionDialogEnabled = false;
  std::shared_ptr<CfgOptions> Options;
};

// The absolute current directory, the target of an Extract without TargetPath. A failure of value 1 is
// reported as KV_E_TARGET_TOO_LONG.
kestrova::KVResult DefaultExtractTarget(SystemFacts& facts, std::u16string& target);
