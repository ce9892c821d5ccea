#include "builder/PeImports.h"

#include <algorithm>

#include "builder/FailureMessage.h"
#include "support/Formatter.h"

namespace kestrova {
namespace {

constexpr std::uint32_t kDescriptorSize = 20;  // IMAGE_IMPORT_DESCRIPTOR
constexpr std::uint32_t kNameOffset = 12;
constexpr std::size_t kMaxDlls = 1024;
constexpr std::size_t kMaxNameLength = 260;

}  // namespace

KVResult ReadImportedDlls(const PeImage& image, std::vector<std::string>& dlls, std::string& error) {
  dlls.clear();
  const PeDataDirectory directory = image.Directory(kDirectoryImport);
  if (directory.address == 0) return KV_OK;
  for (std::uint32_t index = 0;; ++index) {
    if (index >= kMaxDlls) return Fail(error, KV_E_INVALID_DATA, "the import directory has no end");
    std::size_t at = 0;
    const std::uint32_t rva = directory.address + index * kDescriptorSize;
    if (!image.RvaToOffset(rva, kDescriptorSize, at)) {
      return Fail(error, KV_E_INVALID_DATA, KVFormat("import descriptor {} lies outside the sections", index));
    }
    const Bytes& bytes = image.Data();
    bool empty = true;
    for (std::uint32_t i = 0; i < kDescriptorSize; ++i) empty = empty && bytes[at + i] == 0;
    if (empty) return KV_OK;
    const std::uint32_t nameRva = Get32(bytes, at + kNameOffset);
    std::size_t name = 0;
    std::uint64_t available = 0;
    if (!image.RvaToOffset(nameRva, 1, name, &available)) {
      return Fail(error, KV_E_INVALID_DATA, KVFormat("the name of import {} lies outside the sections", index));
    }
    // Up to the terminating zero, which must come within the section and the longest name allowed.
    const auto limit = static_cast<std::size_t>(std::min<std::uint64_t>(available, kMaxNameLength + 1));
    std::string text;
    for (std::size_t i = 0; i < limit && bytes[name + i] != 0; ++i) text += static_cast<char>(bytes[name + i]);
    if (text.empty() || text.size() == limit) {
      return Fail(error, KV_E_INVALID_DATA, KVFormat("the name of import {} is empty or not terminated", index));
    }
    dlls.push_back(std::move(text));
  }
}

}  // namespace kestrova
