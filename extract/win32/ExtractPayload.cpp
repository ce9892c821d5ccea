#include "extract/win32/ExtractPayload.h"

#include "extract/win32/ExtractCallback.h"
#include "extract/win32/PayloadArchive.h"
#include "Windows/FileDir.h"
#include "Windows/FileFind.h"

#include <windows.h>

#include "commands/win32/SystemVariables.h"
#include "support/Diagnostics.h"
#include "support/Text.h"
#include "support/win32/ModuleFileName.h"
#include "support/win32/UniqueResource.h"

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

// Reports the failed step with the code behind it; returns the extraction's result.
KVResult Failed(const char* step, KVResult result, std::uint32_t cause) {
  KVDiagnostic("ERROR: %s: %s failed, st=0x%08x\n", "ExtractPayload", step, static_cast<unsigned>(cause));
  return result;
}
KVResult Failed(const char* step, KVResult result) { return Failed(step, result, result); }

KVResult Extract(const std::u16string& executablePath, const std::u16string& target, ExtractReport& report) {
  std::u16string executable = executablePath;
  if (executable.empty()) {
    const KVResult result = KVWinGetModulePathAndFileName(executable);
    if (result != KV_OK) return Failed("KVWinGetModulePathAndFileName", result);
  }
  std::u16string folder;
  const KVResult resolved = ResolvePath(folder, target);
  if (resolved != KV_OK) return Failed("ResolvePath", resolved);

  NFile::NFind::CFileInfo executableInfo;  // its time is the time of items that store none
  if (!executableInfo.Find(AsWide(executable))) return Failed("Find", KV_E_FAIL);

  PayloadArchive payload;
  const HRESULT loaded = payload.LoadRegistry();
  if (loaded != S_OK) return Failed("LoadRegistry", KV_E_FAIL, static_cast<std::uint32_t>(loaded));
  ExtractCallback* callbackSpec = new ExtractCallback;
  CMyComPtr<IArchiveExtractCallback> callback = callbackSpec;
  const HRESULT opened = payload.Open(executable);
  if (opened != S_OK) return Failed("Open", KV_E_FAIL, static_cast<std::uint32_t>(opened));

  const KVResult created = CreateTargetFolder(folder);
  if (created != KV_OK) return Failed("CreateTargetFolder", created);

  callbackSpec->Init(payload.Archive(), folder, kDefaultItemName, executableInfo.MTime, 0);
  const HRESULT extracted = payload.Archive()->Extract(nullptr, kAllItems, 0, callback);
  callbackSpec->ApplyFolderTimes();
  report.failureMessage = callbackSpec->Message();
  if (extracted != S_OK || callbackSpec->Corrupt()) {
    KVDiagnostic("ERROR: %s: extraction failed, hr=0x%08x, %ls\n", "ExtractPayload",
                 static_cast<unsigned>(extracted), AsWide(report.failureMessage));
    return KV_E_FAIL;
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
    return Failed("Extract", KV_E_FAIL);
  }
}
