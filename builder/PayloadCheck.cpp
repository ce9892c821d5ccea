#include "builder/PayloadCheck.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "builder/FailureMessage.h"
#include "builder/FileIo.h"
#include "extract/ItemPath.h"
#include "support/Formatter.h"
#include "support/Text.h"

namespace kestrova {
namespace {

// The decoders linked into the installer (cmake/SevenZip.cmake), by the names 7-Zip lists them with. 7zAES is
// left out: the installer never supplies a password.
constexpr const char* kDecodedMethods[] = {"Copy", "LZMA",  "LZMA2", "BCJ",   "BCJ2",  "PPC",   "IA64", "ARM",
                                           "ARMT", "ARM64", "SPARC", "RISCV", "Swap2", "Swap4", "Delta"};

// "LZMA2:24" is LZMA2 with its dictionary size; "ARM64:4096" a filter with its offset.
std::string MethodName(const std::string& coder) { return coder.substr(0, coder.find(':')); }

}  // namespace

KVResult ListPayload(const std::string& path, std::vector<PayloadItem>& items, bool& listed, std::string& note,
                     std::string& error) {
  items.clear();
  listed = true;
  std::error_code ec;
  const std::filesystem::path root = PathOf(path);
  if (std::filesystem::is_directory(root, ec)) {
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      PayloadItem item;
      item.path = it->path().lexically_relative(root).generic_u8string();
      item.isFolder = it->is_directory(ec);
      items.push_back(std::move(item));
    }
    if (ec) return Fail(error, KV_E_FAIL, KVFormat("{}: cannot list the folder: {}", path, ec.message()));
    return KV_OK;
  }
  // The archive's own checks first: they name damage more precisely than a failed listing would.
  std::uint64_t fileSize = 0;
  std::uint64_t archiveSize = 0;
  if (const KVResult r = GetFileSize(path, fileSize, error); r != KV_OK) return r;
  if (const KVResult r = CheckArchiveAt(path, 0, fileSize, archiveSize, error); r != KV_OK) return r;
  const std::string sevenZip = FindSevenZip();
  if (sevenZip.empty()) {
    listed = false;
    note = "the payload's items are not checked: neither 7zz nor 7z is on PATH";
    return KV_OK;
  }
  return ListArchive(sevenZip, path, items, error);
}

KVResult CheckArchiveItems(const std::vector<PayloadItem>& items, std::string& error) {
  for (const PayloadItem& item : items) {
    std::istringstream coders(item.method);
    for (std::string coder; coders >> coder;) {
      const std::string name = MethodName(coder);
      if (std::find(std::begin(kDecodedMethods), std::end(kDecodedMethods), name) == std::end(kDecodedMethods)) {
        return Fail(error, KV_E_INVALID_DATA,
                    KVFormat("the archive uses the method {} (first for the item \"{}\"), which installers cannot "
                             "decode: they end with 0x{:08X} (\"Unsupported Method\"); compress with LZMA or LZMA2, "
                             "for example by giving the folder as --payload",
                             name == "7zAES" ? "7zAES (encryption)" : name, item.path, KV_E_FAIL));
      }
    }
    const std::u16string path = WithoutDotParts(Utf8ToUtf16(item.path));
    if (path.empty() && item.isFolder) continue;  // "." is the target folder itself
    if (!IsSafeItemPath(path)) {
      return Fail(error, KV_E_INVALID_DATA,
                  KVFormat("the archive's item \"{}\" has a path installers refuse (absolute, climbing out with "
                           "\"..\", a drive, a device or stream name, or a name of only dots and blanks): they end "
                           "with 0x{:08X} (\"Unsafe item path\")",
                           item.path, KV_E_FAIL));
    }
  }
  return KV_OK;
}

std::vector<std::string> ItemPaths(const std::vector<PayloadItem>& items) {
  std::vector<std::string> paths;
  for (const PayloadItem& item : items) paths.push_back(item.path);
  return paths;
}

}  // namespace kestrova
