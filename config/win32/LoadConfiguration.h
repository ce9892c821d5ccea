// The configuration embedded in the running executable, read into a configuration tree.
#pragma once
#include "config/Cfg.h"
#include "config/SystemInfo.h"

// KV_E_NO_CONFIGURATION when the executable carries no configuration resource (the caller then applies the
// default extractor); other resource failures and the reader's first error otherwise.
kestrova::KVResult LoadConfiguration(Cfg& cfg, SystemFacts& facts);
