// An item of the payload as the extraction reads it from the archive library: the stored values, or defaults where
// the archive stores none.
#pragma once
#include "Common/Common.h"  // the archive library's headers come before <windows.h>

#include "7zip/Archive/IArchive.h"

#include <string>

struct ItemDefaults {
  std::u16string name;  // of an item without a stored path
  FILETIME time{};
  UInt32 attributes = 0;
};

struct ArchiveItem {
  std::u16string path;  // as stored, parts separated by '\' or '/'
  UInt32 attributes = 0;
  bool isDirectory = false;
  bool isAnti = false;
  FILETIME time{};
};

// The path, read for every item the library hands over; E_FAIL when it is not text.
HRESULT ReadItemPath(IInArchive* archive, UInt32 index, const ItemDefaults& defaults, ArchiveItem& item);

// The rest, read for an item to extract; E_FAIL for attributes or a time of another type.
HRESULT ReadItemDetails(IInArchive* archive, UInt32 index, const ItemDefaults& defaults, ArchiveItem& item);
