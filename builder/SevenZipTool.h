// The 7-Zip command-line program (compressing a payload folder, listing a payload) and checks of 7z archives
// inside files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/Bytes.h"

namespace kestrova {

// The full path of 7zz, else of 7z, found on PATH; "" when neither is there.
std::string FindSevenZip();

// The command that compresses the contents of `folder` (its items at the archive's root, hidden ones included)
// into a new 7z archive: LZMA2, with the executable filter that 7-Zip picks per file, 7-Zip's other defaults.
// Progress goes to the terminal when `progress` is set; other messages are off. `sameOnEveryHost` pins the
// threads, whose number decides how LZMA2 splits its blocks, so that hosts with more cores write the same bytes.
std::vector<std::string> CompressCommand(const std::string& sevenZip, const std::string& folder,
                                         const std::string& archive, bool progress, bool sameOnEveryHost = false);

// A command for the user's eyes: arguments with blanks or quotes in single quotes.
std::string CommandText(const std::vector<std::string>& argv);

struct PayloadItem {
  std::string path;
  bool isFolder = false;
  std::uint64_t size = 0;
  std::string modified;  // "YYYY-MM-DD hh:mm:ss", or "" when the archive has no time
  std::string method;    // the coders as 7-Zip names them, "BCJ LZMA2:24"; "" for an item without data
};

// The items of `7z l -slt` output (the part after its "----------" line).
std::vector<PayloadItem> ParseTechnicalListing(const std::string& text);

// Lists the 7z archive in `file` (an installer or an archive) with `sevenZip l -slt -t7z`.
KVResult ListArchive(const std::string& sevenZip, const std::string& file, std::vector<PayloadItem>& items,
                     std::string& error);

// Checks the 7z archive that starts at `offset` in `path`: signature, start header CRC, its headers inside the
// file and the CRC of its last header. `size` receives its length.
KVResult CheckArchiveAt(const std::string& path, std::uint64_t offset, std::uint64_t fileSize, std::uint64_t& size,
                        std::string& error);

}  // namespace kestrova
