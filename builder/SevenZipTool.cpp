#include "builder/SevenZipTool.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <sstream>

#include "builder/FailureMessage.h"
#include "builder/FileIo.h"
#include "builder/Platform.h"
#include "builder/SevenZipHeader.h"
#include "support/Formatter.h"

using kestrova::KV_E_FAIL;
using kestrova::KVFormat;

namespace kestrova {

std::string FindSevenZip() { return FindOnPath({"7zz", "7z"}); }

std::vector<std::string> CompressCommand(const std::string& sevenZip, const std::string& folder,
                                         const std::string& archive, bool progress, bool sameOnEveryHost) {
  // 7-Zip keeps a relative folder's path in the item names, and drops an absolute one.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(PathOf(folder), ec);
  std::string contents = ec ? folder : absolute.lexically_normal().u8string();
  while (contents.size() > 1 && (contents.back() == '/' || contents.back() == '\\')) contents.pop_back();
#if defined(_WIN32)
  contents += "\\*";
#else
  contents += "/*";
#endif
  // The wildcard is 7-Zip's own (no shell sees it): it matches every name, those with a leading dot included.
  std::vector<std::string> command{sevenZip, "a", "-t7z", "-m0=LZMA2", "-bso0", "-bse2", progress ? "-bsp1" : "-bsp0"};
  // Two threads: one LZMA2 block thread with its match-finder thread, the single-block output of a 2-core host.
  if (sameOnEveryHost) command.emplace_back("-mmt=2");
  command.insert(command.end(), {"--", archive, contents});
  return command;
}

std::string CommandText(const std::vector<std::string>& argv) {
  std::string text;
  for (const std::string& a : argv) {
    if (!text.empty()) text += ' ';
    const bool plain = !a.empty() && a.find_first_of(" \t\"'$*?\\") == std::string::npos;
    text += plain ? a : "'" + a + "'";
  }
  return text;
}

std::vector<PayloadItem> ParseTechnicalListing(const std::string& text) {
  std::vector<PayloadItem> items;
  std::istringstream lines(text);
  std::string line;
  bool inItems = false;
  PayloadItem item;
  bool haveItem = false;
  const auto flush = [&] {
    if (haveItem) items.push_back(item);
    item = PayloadItem();
    haveItem = false;
  };
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inItems) {
      inItems = line == "----------";
      continue;
    }
    if (line.empty()) {
      flush();
      continue;
    }
    const std::size_t equals = line.find(" = ");
    const std::string key = line.substr(0, equals == std::string::npos ? line.size() : equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 3);
    if (key == "Path") {
      flush();
      item.path = value;
      haveItem = true;
    } else if (key == "Size") {
      item.size = std::strtoull(value.c_str(), nullptr, 10);
    } else if (key == "Folder") {
      item.isFolder = value == "+";
    } else if (key == "Attributes") {  // Windows attribute letters first ("D" for a folder), then POSIX mode
      item.isFolder = item.isFolder || value.substr(0, value.find(' ')).find('D') != std::string::npos;
    } else if (key == "Method") {
      item.method = value;
    } else if (key == "Modified") {
      item.modified = value.substr(0, std::min<std::size_t>(value.find('.'), 19));
    }
  }
  flush();
  return items;
}

KVResult ListArchive(const std::string& sevenZip, const std::string& file, std::vector<PayloadItem>& items,
                     std::string& error) {
  std::string output;
  int exitCode = 0;
  if (const KVResult r = RunProgram({sevenZip, "l", "-slt", "-t7z", "--", file}, &output, exitCode, error);
      r != KV_OK) {
    return r;
  }
  // 1 is a warning (for example the certificate table behind the archive); 2 and up are errors.
  if (exitCode > 1 || output.find("\n----------") == std::string::npos) {
    return Fail(error, KV_E_FAIL, KVFormat("{} could not list the payload (exit code {})", sevenZip, exitCode));
  }
  items = ParseTechnicalListing(output);
  return KV_OK;
}

KVResult CheckArchiveAt(const std::string& path, std::uint64_t offset, std::uint64_t fileSize, std::uint64_t& size,
                        std::string& error) {
  Bytes header;
  if (!InRange(offset, kSevenZipHeaderSize, fileSize)) {
    return Fail(error, KV_E_INVALID_DATA, KVFormat("{} is not a 7z archive (too short)", path));
  }
  if (const KVResult r = ReadFileRange(path, offset, kSevenZipHeaderSize, header, error); r != KV_OK) return r;
  SevenZipStartHeader start;
  if (!ReadSevenZipStartHeader(header.data(), header.size(), start)) {
    return Fail(error, KV_E_INVALID_DATA,
                HasSevenZipSignature(header.data(), header.size()) ? KVFormat("{}: the 7z start header is damaged (CRC mismatch)", path)
                          : KVFormat("{} is not a 7z archive (no 7z signature)", path));
  }
  if (start.majorVersion != 0) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("{}: unsupported 7z format version {}.{}", path, start.majorVersion, start.minorVersion));
  }
  if (!start.ArchiveSize(size) || !InRange(offset, size, fileSize)) {
    return Fail(error, KV_E_INVALID_DATA,
                KVFormat("{}: the 7z archive is truncated (its headers end beyond the end of the file)", path));
  }
  // The CRC of the last header, read in pieces.
  std::uint32_t crc = 0;
  const std::uint64_t nextHeader = offset + kSevenZipHeaderSize + start.nextHeaderOffset;
  for (std::uint64_t done = 0; done < start.nextHeaderSize;) {
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(start.nextHeaderSize - done, 1u << 20));
    Bytes bytes;
    if (const KVResult r = ReadFileRange(path, nextHeader + done, piece, bytes, error); r != KV_OK) return r;
    crc = Crc32(bytes.data(), bytes.size(), crc);
    done += piece;
  }
  if (crc != start.nextHeaderCrc) {
    return Fail(error, KV_E_INVALID_DATA, KVFormat("{}: the 7z archive's header is damaged (CRC mismatch)", path));
  }
  return KV_OK;
}

}  // namespace kestrova
