// The payload as installers will meet it: its item paths for the configuration's cross-check, and a ready archive
// read with the installer's own rules (its decoders, its item-path rule) before anything is written.
#pragma once
#include <string>
#include <vector>

#include "builder/SevenZipTool.h"

namespace kestrova {

// The items of a payload folder (paths relative to it, '/' between parts) or of a 7z archive (through 7-Zip).
// `listed` is false, with the reason in `note`, when an archive cannot be listed because 7-Zip is missing.
KVResult ListPayload(const std::string& path, std::vector<PayloadItem>& items, bool& listed, std::string& note,
                     std::string& error);

// KV_E_INVALID_DATA, with the reason in `error`, when an installer could not extract every item: a coder it has no
// decoder for (named with the first item that uses it), or an item path its rule refuses (named).
KVResult CheckArchiveItems(const std::vector<PayloadItem>& items, std::string& error);

// The item paths alone.
std::vector<std::string> ItemPaths(const std::vector<PayloadItem>& items);

}  // namespace kestrova
