#include "extract/win32/DecoderSettings.h"

#include "7zip/Archive/IArchive.h"
#include "Common/MyCom.h"
#include "Windows/PropVariant.h"

HRESULT ApplyDecoderSettings(IInArchive* archive) {
  CMyComPtr<ISetProperties> setProperties;
  archive->QueryInterface(IID_ISetProperties, reinterpret_cast<void**>(&setProperties));
  if (!setProperties) return S_OK;  // nothing to bound
  const wchar_t* const names[] = {L"memuse"};
  NWindows::NCOM::CPropVariant values[1];
  values[0] = static_cast<UInt64>(kDecoderMemoryBudget);
  return setProperties->SetProperties(names, values, 1);
}
