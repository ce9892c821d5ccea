// Runs the extraction, and optionally the cleanup, on the calling thread and prints what they did:
//   kv-extract-harness [--list] [--delete] EXECUTABLE TARGET
//   kv-extract-harness --delete-only TARGET
// Prints "extract=0xXXXXXXXX" (with the failure message, if any), with --list one line per entry of the target
// ("entry PATH attributes=0xXXXXXXXX mtime=0xXXXXXXXXXXXXXXXX" for files, "folder PATH ..." for folders), then
// "delete=0xXXXXXXXX" and the cleanup's counts.
// The exit code is the extraction's result.
#include <windows.h>

#include <cstdio>
#include <string>

#include "extract/win32/DeleteExtractedFolder.h"
#include "extract/win32/ExtractPayload.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"

using namespace kestrova;

namespace {

void List(const std::u16string& folder, const std::u16string& relative) {
  WIN32_FIND_DATAW entry;
  const KVUniqueFindHandle find(::FindFirstFileW(AsWide(folder + u"\\*"), &entry));
  if (!find) return;
  do {
    const std::u16string name(FromWide(entry.cFileName));
    if (name == u"." || name == u"..") continue;
    const std::u16string path = relative.empty() ? name : relative + u"\\" + name;
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const unsigned long long time =
        (static_cast<unsigned long long>(entry.ftLastWriteTime.dwHighDateTime) << 32) | entry.ftLastWriteTime.dwLowDateTime;
    std::printf("%s %s attributes=0x%08lX mtime=0x%016llX\n", isFolder ? "folder" : "entry",
                Utf16ToUtf8(path).c_str(), entry.dwFileAttributes, time);
    if (isFolder) List(folder + u"\\" + name, path);
  } while (::FindNextFileW(find.get(), &entry));
}

KVResult Delete(const std::u16string& target) {
  DeleteReport report;
  const KVResult result = DeleteExtractedFolder(target, &report);
  std::printf("delete=0x%08X tree=0x%08X pending=%u failed_files=%u failed_folders=%u retries=%u\n",
              static_cast<unsigned>(result), static_cast<unsigned>(report.treeResult),
              static_cast<unsigned>(report.pendingFiles), static_cast<unsigned>(report.failedFiles),
              static_cast<unsigned>(report.failedFolders), static_cast<unsigned>(report.retryPasses));
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool list = false;
  bool remove = false;
  bool removeOnly = false;
  int first = 1;
  for (; first < argc && argv[first][0] == L'-'; ++first) {
    const std::u16string_view option = FromWide(argv[first]);
    list = list || option == u"--list";
    remove = remove || option == u"--delete";
    removeOnly = removeOnly || option == u"--delete-only";
  }
  if (removeOnly && argc - first == 1) return static_cast<int>(Delete(std::u16string(FromWide(argv[first]))));
  if (argc - first != 2) {
    std::fprintf(stderr, "usage: kv-extract-harness [--list] [--delete] EXECUTABLE TARGET | --delete-only TARGET\n");
    return 2;
  }
  const std::u16string target(FromWide(argv[first + 1]));
  ExtractReport report;
  const KVResult result = ExtractPayload(std::u16string(FromWide(argv[first])), target, &report);
  std::printf("extract=0x%08X", static_cast<unsigned>(result));
  if (!report.failureMessage.empty()) std::printf(" message=%s", Utf16ToUtf8(report.failureMessage).c_str());
  std::printf("\n");
  if (list) List(target, u"");
  if (remove) Delete(target);
  std::fflush(stdout);
  return static_cast<int>(result);
}
