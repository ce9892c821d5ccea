#include "config/win32/LoadConfiguration.h"

#include <string>

#include "config/CfgReadContext.h"
#include "config/win32/ConfigurationResource.h"
#include "support/Failure.h"

kestrova::KVResult LoadConfiguration(Cfg& cfg, SystemFacts& facts) {
  std::string text;
  KV_RETURN_IF_FAILED_RECORDED(ReadConfigurationResource(nullptr, text));
  ConfigErrorLocation location;
  KV_RETURN_IF_FAILED(cfg.Load(text.c_str(), facts, &location), "reading the configuration: {} {}{}{} (line {})",
                      location.elementPath.empty() ? "the document" : location.elementPath,
                      location.attribute.empty() ? "" : "attribute ", location.attribute,
                      location.detail.empty() ? "" : ": " + location.detail, location.line);
  return kestrova::KV_OK;
}
