#include "extract/DecoderSettings.h"

#include "7zip/Archive/IArchive.h"
#include "Common/MyCom.h"
#include "Windows/PropVariant.h"

HRESULT ApplyDecoderSettings(IInArchive* archive, UInt32 threads) {
  CMyComPtr<ISetProperties> setProperties;
  archive->QueryInterface(IID_ISetProperties, reinterpret_cast<void**>(&setProperties));
  if (!setProperties) return E_NOINTERFACE;  // the 7z handler has them
  // One call: the handler forgets earlier settings on every call.
  const wchar_t* const names[] = {L"memuse", L"mt"};
  NWindows::NCOM::CPropVariant values[2];
  values[0] = static_cast<UInt64>(kDecoderMemoryBudget);
  values[1] = threads;
  return setProperties->SetProperties(names, values, threads != 0 ? 2 : 1);
}
