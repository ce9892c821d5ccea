#include "extract/win32/ExtractPayload.h"

#include "extract/win32/ExtractCallback.h"
#include "extract/win32/PayloadArchive.h"
#include "Windows/FileDir.h"
#include "Windows/FileFind.h"

#include <windows.h>

#include "commands/win32/SystemVariables.h"
#include "support/Failure.h"
#include "support/Log.h"
#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;
using namespace NWindows;

namespace {

constexpr char16_t kDefaultItemName[] = u"Default";
constexpr UInt32 kAllItems = 0xFFFFFFFF;

KVResult CreateTargetFolder(const std::u16string& folder) {
  if (NFile::NDir::CreateComplexDir(AsWide(folder))) return KV_OK;
  const KVResult error = KVLastError();
  return error == ERROR_INVALID_NAME ? KV_E_INVALID_TARGET : error;
}

KVResult Extract(const std::u16string& executablePath, const std::u16string& target, ExtractReport& report) {
  std::u16string executable = executablePath;
  if (executable.empty()) {
    KV_RETURN_IF_FAILED(KVWinGetModulePathAndFileName(executable), "finding the installer's own file");
  }
  std::u16string folder;
  KV_RETURN_IF_FAILED(ResolvePath(folder, target), "resolving the target folder \"{}\"", target);

  NFile::NFind::CFileInfo executableInfo;  // its time is the time of items that store none
  if (!executableInfo.Find(AsWide(executable))) {
    return KV_FAIL(KV_E_FAIL, "reading the file information of {} (0x{:08X})", executable, ::GetLastError());
  }

  PayloadArchive payload;
  const HRESULT loaded = payload.LoadRegistry();
  if (loaded != S_OK) return KV_FAIL(KV_E_FAIL, "registering the 7z format (0x{:08X})", loaded);
  ExtractCallback* callbackSpec = new ExtractCallback;
  CMyComPtr<IArchiveExtractCallback> callback = callbackSpec;
  const HRESULT opened = payload.Open(executable);
  if (opened != S_OK) {
    return KV_FAIL(KV_E_FAIL, "opening the payload of {} or an archive beside it (0x{:08X})", executable, opened);
  }
  KV_RETURN_IF_FAILED(CreateTargetFolder(folder), "creating the target folder {}", folder);
  kestrova::KVLogEvent("extracting the payload of {} into {}", executable, folder);

  callbackSpec->Init(payload.Archive(), folder, kDefaultItemName, executableInfo.MTime, 0);
  const HRESULT extracted = payload.Archive()->Extract(nullptr, kAllItems, 0, callback);
  callbackSpec->Finish();
  report.failureMessage = callbackSpec->Message();
  if (callbackSpec->WriteError() != KV_OK) {
    return KV_FAIL(callbackSpec->WriteError(), "extracting into {} (0x{:08X})", folder, extracted);
  }
  if (extracted != S_OK || callbackSpec->Corrupt()) {
    return KV_FAIL(KV_E_FAIL, "extracting into {} (0x{:08X}): {}", folder, extracted,
                   report.failureMessage.empty() ? u"damaged data" : report.failureMessage);
  }
  return KV_OK;
}

}  // namespace

KVResult ExtractPayload(const std::u16string& executablePath, const std::u16string& target, ExtractReport* report) {
  ExtractReport local;
  ExtractReport& out = report != nullptr ? *report : local;
  out = ExtractReport{};
  try {
    return Extract(executablePath, target, out);
  } catch (...) {  // out of memory in the library's strings or ours
    return KV_FAIL(KV_E_FAIL, "extracting the payload: out of memory");
  }
}
