// What the archive library expects its host program to provide: the interface GUIDs (defined in exactly one
// translation unit) and the path safety check used while opening archives.
#include "Common/Common.h"

#include "Common/MyInitGuid.h"
#include "Common/MyString.h"
#include "7zip/Archive/IArchive.h"
#include "7zip/ICoder.h"
#include "7zip/IPassword.h"

#include "extract/ItemPath.h"
#include "support/Text.h"

// An item path is safe when it stays inside the folder it is joined to.
bool IsSafePath(const UString& path) {
  return IsSafeItemPath(kestrova::WideToUtf16(std::wstring_view(path.Ptr(), path.Len())));
}
