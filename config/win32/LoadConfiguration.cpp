#include "config/win32/LoadConfiguration.h"

#include <string>

#include "config/win32/ConfigurationResource.h"

kestrova::KVResult LoadConfiguration(Cfg& cfg, SystemFacts& facts) {
  std::string text;
  if (const kestrova::KVResult r = ReadConfigurationResource(nullptr, text); r != kestrova::KV_OK) return r;
  return cfg.Load(text.c_str(), facts);
}
