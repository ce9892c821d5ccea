// The running executable's path and its parts.
#pragma once
#include <string>

#include "support/ErrorCodes.h"

namespace kestrova {

class KVWinModuleFileName {
 public:
  // Reads the path of the running executable and splits it; on failure the parts stay empty.
  KVResult Init();

  std::u16string fullPath;
  std::u16string drive;
  std::u16string directory;  // with its trailing backslash
  std::u16string name;
  std::u16string extension;  // with its dot

  // Drive and directory: the folder that holds the executable, with its trailing backslash.
  std::u16string Folder() const { return drive + directory; }

 private:
  KVResult InitPathComponents();
};

// Clears `path`, then sets it to the full path of the running executable; on failure it stays empty.
KVResult KVWinGetModulePathAndFileName(std::u16string& path);

}  // namespace kestrova
