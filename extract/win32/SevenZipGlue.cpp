// What the archive library expects its host program to provide: the interface GUIDs (defined in exactly one
// translation unit) and the path safety check used while opening archives.
#include "Common/Common.h"

#include "Common/MyInitGuid.h"
#include "Common/MyString.h"
#include "7zip/Archive/IArchive.h"
#include "7zip/ICoder.h"
#include "7zip/IPassword.h"

// An item path is safe when it is relative and never climbs out of the target folder.
bool IsSafePath(const UString& path) {
  const unsigned length = path.Len();
  if (length == 0) return true;
  const wchar_t first = path[0];
  if (first == L'\\' || first == L'/') return false;
  if (length >= 2 && path[1] == L':') return false;
  unsigned segmentStart = 0;
  for (unsigned i = 0; i <= length; ++i) {
    if (i == length || path[i] == L'\\' || path[i] == L'/') {
      if (i - segmentStart == 2 && path[segmentStart] == L'.' && path[segmentStart + 1] == L'.') return false;
      segmentStart = i + 1;
    }
  }
  return true;
}
