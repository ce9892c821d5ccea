// The DLLs an image imports, read from its import directory with every read bounded.
#pragma once
#include <string>
#include <vector>

#include "builder/PeImage.h"

namespace kestrova {

inline constexpr std::size_t kDirectoryImport = 1;

// The names of the imported DLLs in the order of the import directory; empty when there is none. Fails for a
// directory or a name that lies outside the image's sections, or that is not terminated.
KVResult ReadImportedDlls(const PeImage& image, std::vector<std::string>& dlls, std::string& error);

}  // namespace kestrova
