// Files of the builder tool: whole and partial reads, and outputs that appear only when complete.
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "builder/Bytes.h"

namespace kestrova {

// A UTF-8 path as the file system takes it.
std::filesystem::path PathOf(const std::string& utf8);

KVResult GetFileSize(const std::string& path, std::uint64_t& size, std::string& error);
// Reads the whole file; fails when it is larger than `maxSize`.
KVResult ReadWholeFile(const std::string& path, std::uint64_t maxSize, Bytes& out, std::string& error);
// Reads `size` bytes at `offset`; fails when the file is shorter.
KVResult ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size, Bytes& out,
                       std::string& error);

// An output written to a temporary file beside its final path and renamed over that path by Commit. Until then
// the final path is untouched; the temporary file is removed when the object goes away uncommitted, and when the
// process is interrupted (SIGINT, SIGTERM).
class PendingFile {
 public:
  // `suffix` ends the temporary file's name (".tmp" by default; ".7z" for an archive that 7-Zip writes).
  explicit PendingFile(std::string finalPath, const char* suffix = ".tmp");
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& TemporaryPath() const { return temporaryPath_; }
  // Removes a stale temporary file and takes charge of the path, for another program to write.
  void Reserve();
  // Reserves the path and creates the temporary file for writing.
  KVResult Open(std::string& error);
  KVResult Write(const std::uint8_t* data, std::size_t size, std::string& error);
  // Overwrites bytes already written.
  KVResult WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size, std::string& error);
  // Closes the file and renames it to the final path.
  KVResult Commit(std::string& error);
  // Closes and removes the temporary file.
  void Discard();

 private:
  std::string finalPath_;
  std::string temporaryPath_;
  std::ofstream stream_;
  bool registered_ = false;
};

}  // namespace kestrova
