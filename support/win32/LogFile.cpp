#include "support/win32/LogFile.h"

#include "support/Text.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

namespace kestrova {
namespace {

// A byte far beyond any real log, locked by each writer around its append: a lock between processes that
// leaves the file itself readable.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

OVERLAPPED At(DWORD offsetLow, DWORD offsetHigh) {
  OVERLAPPED overlapped = {};
  overlapped.Offset = offsetLow;
  overlapped.OffsetHigh = offsetHigh;
  return overlapped;
}

}  // namespace

KVResult KVLogFile::Open(const std::u16string& path) {
  KVUniqueFile file(::CreateFileW(AsWide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  KV_RETURN_LAST_ERROR_IF(!file, "opening the log {}", path);
  BY_HANDLE_FILE_INFORMATION information = {};
  KV_RETURN_IF_WIN32_FALSE(::GetFileInformationByHandle(file.get(), &information), "examining the log {}", path);
  if ((information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return KV_FAIL(KV_E_INVALID_TARGET, "opening the log {}: a link or a folder, not followed", path);
  }
  file_ = std::move(file);
  return KV_OK;
}

void KVLogFile::Write(std::string_view text) noexcept {
  if (!file_) return;
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  const KVLogStamp stamp{now.wYear,   now.wMonth,  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                         ::GetCurrentProcessId(), ::GetCurrentThreadId()};
  std::string line;
  try {
    line = KVFormatLogLine(stamp, text);
  } catch (...) {  // out of memory: the event is lost, the run goes on
    return;
  }
  auto threads = lock_.Acquire();
  OVERLAPPED lock = At(0, kLockOffsetHigh);
  const bool locked = ::LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lock) != FALSE;
  // Both offsets all ones: the write goes to the end of the file as it is at that moment.
  OVERLAPPED end = At(0xFFFFFFFF, 0xFFFFFFFF);
  DWORD written = 0;
  ::WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, &end);
  if (locked) {
    OVERLAPPED unlock = At(0, kLockOffsetHigh);
    ::UnlockFileEx(file_.get(), 0, 1, 0, &unlock);
  }
}

}  // namespace kestrova
