#include "extract/win32/FolderRemoval.h"

#include <windows.h>

#include "support/Text.h"
#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

void NoteError(KVResult& firstError, KVResult error) {
  if (firstError == KV_OK) firstError = error;
}

bool IsGoneError(KVResult error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool IsInUseError(KVResult error) { return error == ERROR_DIR_NOT_EMPTY || error == ERROR_SHARING_VIOLATION; }

// Calls `visit(path, attributes)` for every entry of the folder but "." and "..". 0 or the enumeration error.
template <class Visit>
KVResult ForEachEntry(const std::u16string& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  const KVUniqueFindHandle find(::FindFirstFileW(AsWide(folder + u"\\*"), &entry));
  KV_RETURN_LAST_ERROR_IF(!find, "listing {}", folder);
  do {
    const std::u16string_view name = FromWide(entry.cFileName);
    if (name == u"." || name == u"..") continue;
    visit(folder + u'\\' + std::u16string(name), entry.dwFileAttributes);
  } while (::FindNextFileW(find.get(), &entry));
  return KV_OK;
}

bool IsLinkedFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

KVResult DeleteOneFile(const std::u16string& path, FileDeletion& outcome) {
  outcome = FileDeletion::Gone;
  const DWORD attributes = ::GetFileAttributesW(AsWide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const KVResult error = KVLastError();
    return IsGoneError(error) ? KV_OK : KV_FAIL(error, "reading the attributes of {}", path);
  }
  KV_RETURN_REPORTED_ERROR_IF(
      (attributes & FILE_ATTRIBUTE_READONLY) != 0 && !::SetFileAttributesW(AsWide(path), FILE_ATTRIBUTE_NORMAL),
      "clearing the read-only attribute of {}", path);
  KV_RETURN_REPORTED_ERROR_IF(!::DeleteFileW(AsWide(path)), "deleting {}", path);

  // Someone who holds it with delete sharing keeps it until they close it: Windows then refuses access to it,
  // Wine still shows it. Either way the deletion is done and only pending.
  if (::GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES || KVLastErrorOrNone() == ERROR_ACCESS_DENIED) {
    outcome = FileDeletion::Pending;
  }
  return KV_OK;
}

KVResult DeleteDirectoryTree(const std::u16string& folder, DeletionCounts* counts) {
  DeletionCounts found;
  KVResult firstError = KV_OK;
  bool clean = true;  // nothing was left on purpose or by failure
  const KVResult enumerated = ForEachEntry(folder, [&](const std::u16string& path, DWORD attributes) {
    KVResult result = KV_OK;
    if ((attributes & FILE_ATTRIBUTE_SYSTEM) != 0) {
      result = KV_E_ENTRY_LEFT;
    } else if (IsLinkedFolder(attributes)) {
      if (!::RemoveDirectoryW(AsWide(path))) {
        const KVResult error = KVLastError();
        result = KV_FAIL(error, "removing the linked folder {}", path);
        ++found.failedFolders;
      }
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      result = DeleteDirectoryTree(path, &found);
      if (result == KV_E_FOLDER_NOT_EMPTY) result = KV_OK;  // only pending files are left in it
    } else {
      FileDeletion outcome = FileDeletion::Gone;
      result = DeleteOneFile(path, outcome);
      if (result != KV_OK) {
        ++found.failedFiles;
      } else if (outcome == FileDeletion::Pending) {
        ++found.pendingFiles;
      }
    }
    if (result != KV_OK) {
      clean = false;
      NoteError(firstError, result);
    }
  });
  if (enumerated != KV_OK) return enumerated;

  KVResult result = firstError;
  if (!::RemoveDirectoryW(AsWide(folder))) {
    const KVResult error = KVLastErrorOrNone();
    // Not empty because deleted files are pending, or in use by a process that has just ended (its current
    // folder): both pass, so the folder is retried.
    if (IsInUseError(error) && clean) {
      result = KV_E_FOLDER_NOT_EMPTY;
    } else if (error != KV_OK) {
      NoteError(result, KV_FAIL(error, "removing the folder {}", folder));
      ++found.failedFolders;
    }
  }
  if (counts) {
    counts->pendingFiles += found.pendingFiles;
    counts->failedFiles += found.failedFiles;
    counts->failedFolders += found.failedFolders;
  }
  return result;
}

KVResult RemoveEmptyFolders(const std::u16string& folder, std::uint32_t* remaining) {
  if (::GetFileAttributesW(AsWide(folder)) == INVALID_FILE_ATTRIBUTES && IsGoneError(KVLastErrorOrNone())) {
    return KV_OK;
  }
  KVResult firstError = KV_OK;
  std::uint32_t below = 0;
  bool empty = true;
  const KVResult enumerated = ForEachEntry(folder, [&](const std::u16string& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_SYSTEM) != 0) {
      NoteError(firstError, KV_E_ENTRY_LEFT);
      empty = false;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLinkedFolder(attributes)) {
      std::uint32_t left = 0;
      const KVResult result = RemoveEmptyFolders(path, &left);
      below += left;
      if (result != KV_OK || left != 0) empty = false;
      if (result != KV_OK) NoteError(firstError, result);
    } else {
      empty = false;  // files, and links the deletion could not remove
    }
  });
  if (enumerated != KV_OK) return enumerated;

  if (!empty) {
    ++below;
  } else if (!::RemoveDirectoryW(AsWide(folder))) {
    const KVResult error = KVLastErrorOrNone();
    if (IsInUseError(error)) {
      ++below;  // still in use or not yet empty: the next pass tries again
    } else if (error != KV_OK) {
      NoteError(firstError, KV_FAIL(error, "removing the empty folder {}", folder));
      ++below;
    }
  }
  if (remaining) *remaining += below;
  return firstError;
}
