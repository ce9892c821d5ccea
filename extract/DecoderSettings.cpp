#include "extract/DecoderSettings.h"

#include "7zip/Archive/IArchive.h"
#include "Common/MyCom.h"
#include "Windows/PropVariant.h"

HRESULT ApplyDecoderSettings(IInArchive* archive) {
  CMyComPtr<ISetProperties> setProperties;
  archive->QueryInterface(IID_ISetProperties, reinterpret_cast<void**>(&setProperties));
  if (!setProperties) return E_NOINTERFACE;  // the 7z handler has them
  const wchar_t* const names[] = {L"mt"};
  NWindows::NCOM::CPropVariant values[1];
  values[0] = UInt32{1};
  return setProperties->SetProperties(names, values, 1);
}
