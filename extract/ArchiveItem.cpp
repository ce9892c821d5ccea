#include "extract/ArchiveItem.h"

#include "7zip/PropID.h"
#include "Windows/PropVariant.h"

#include "support/Text.h"

using NWindows::NCOM::CPropVariant;

namespace {

bool Take(const PROPVARIANT& value, std::u16string& out) {
  if (value.vt != VT_BSTR) return false;
  out = kestrova::WideToUtf16(value.bstrVal);
  return true;
}

bool Take(const PROPVARIANT& value, UInt32& out) {
  if (value.vt != VT_UI4) return false;
  out = value.ulVal;
  return true;
}

bool Take(const PROPVARIANT& value, FILETIME& out) {
  if (value.vt != VT_FILETIME) return false;
  out = value.filetime;
  return true;
}

// The stored value, or `fallback` where none is stored; E_FAIL for a value of another type.
template <class T>
HRESULT ReadOr(IInArchive* archive, UInt32 index, PROPID id, const T& fallback, T& out) {
  CPropVariant value;
  RINOK(archive->GetProperty(index, id, &value))
  if (value.vt == VT_EMPTY) {
    out = fallback;
    return S_OK;
  }
  return Take(value, out) ? S_OK : E_FAIL;
}

// False where none is stored.
HRESULT ReadFlag(IInArchive* archive, UInt32 index, PROPID id, bool& out) {
  CPropVariant value;
  RINOK(archive->GetProperty(index, id, &value))
  out = value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE;
  return S_OK;
}

}  // namespace

HRESULT ReadItemPath(IInArchive* archive, UInt32 index, const ItemDefaults& defaults, ArchiveItem& item) {
  return ReadOr(archive, index, kpidPath, defaults.name, item.path);
}

HRESULT ReadItemDetails(IInArchive* archive, UInt32 index, const ItemDefaults& defaults, ArchiveItem& item) {
  RINOK(ReadOr(archive, index, kpidAttrib, defaults.attributes, item.attributes))
  RINOK(ReadFlag(archive, index, kpidIsDir, item.isDirectory))
  RINOK(ReadFlag(archive, index, kpidIsAnti, item.isAnti))
  return ReadOr(archive, index, kpidMTime, defaults.time, item.time);
}
