// The configuration of a run: the root of the object tree read from the embedded XML document.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "config/CfgObject.h"
#include "config/CfgReadContext.h"
#include "config/CfgTask.h"
#include "config/SystemInfo.h"

class Cfg final : public CfgObject {
 public:
  Cfg();

  // Reads a configuration document (NUL-terminated UTF-8): Title, and Extract or Launch. Stops at the first
  // violation in reading order and returns its code, leaving Extract and Launch empty; `location`, when
  // given, receives where that was. A document with neither mode gets the default Extract.
  kestrova::KVResult Load(const char* text, SystemFacts& facts, ConfigErrorLocation* location = nullptr);
  // Puts an Extract with every default in place (also for an executable without configuration); an empty
  // `titleText` sets the default extractor title.
  kestrova::KVResult UseDefaultExtract(std::u16string_view titleText, SystemFacts& facts);

  std::u16string Title;  // caption of every window and message box
  std::shared_ptr<CfgExtract> Extract;  // set in extract-only mode
  std::shared_ptr<CfgLaunch> Launch;    // set in launch mode; never both

 private:
  kestrova::KVResult Read(const char* text, CfgReadContext& context);
};

// The process-wide configuration of the stub.
Cfg& GlobalCfg();

// The executable's file name without its extension, followed by " Self Extractor".
kestrova::KVResult DefaultExtractorTitle(SystemFacts& facts, std::u16string& title);

// Cfg::Load with its outcome in one value, for tools that check documents.
struct ConfigReadReport {
  kestrova::KVResult code = kestrova::KV_OK;
  ConfigErrorLocation location;  // empty when code is 0
};
ConfigReadReport ReadConfiguration(Cfg& cfg, const std::string& text, SystemFacts& facts);
