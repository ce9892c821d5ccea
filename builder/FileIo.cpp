#include "builder/FileIo.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <vector>

#include "builder/FailureMessage.h"
#include "builder/Platform.h"
#include "support/Formatter.h"

using kestrova::KV_E_FAIL;
using kestrova::KVFormat;
using kestrova::KVFromErrno;

namespace kestrova {

namespace {

// Temporary files to remove when the process is interrupted.
std::vector<std::filesystem::path>& Unfinished() {
  static std::vector<std::filesystem::path> paths;
  return paths;
}

extern "C" void RemoveUnfinishedAndExit(int signal) {
  for (const std::filesystem::path& path : Unfinished()) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Register(const std::filesystem::path& path) {
  static const bool installed = [] {
    std::signal(SIGINT, RemoveUnfinishedAndExit);
    std::signal(SIGTERM, RemoveUnfinishedAndExit);
    return true;
  }();
  (void)installed;
  Unfinished().push_back(path);
}

void Unregister(const std::filesystem::path& path) {
  std::vector<std::filesystem::path>& paths = Unfinished();
  for (auto it = paths.begin(); it != paths.end(); ++it) {
    if (*it == path) {
      paths.erase(it);
      return;
    }
  }
}

// The reason of the last failed C library call, or `fallback` when errno says nothing.
KVResult ErrnoFailure(std::string& error, const std::string& what, const std::string& path) {
  const int e = errno;
  const std::string reason = e != 0 ? std::strerror(e) : "input/output error";
  return Fail(error, e != 0 ? KVFromErrno(e) : KV_E_FAIL, KVFormat("cannot {} {}: {}", what, path, reason));
}

}  // namespace

std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::u8path(utf8); }

KVResult GetFileSize(const std::string& path, std::uint64_t& size, std::string& error) {
  std::error_code ec;
  const std::filesystem::path p = PathOf(path);
  const auto status = std::filesystem::status(p, ec);
  if (ec || !std::filesystem::exists(status)) {
    return Fail(error, KVFromErrno(ENOENT), KVFormat("cannot read {}: no such file", path));
  }
  if (!std::filesystem::is_regular_file(status)) {
    return Fail(error, KVFromErrno(EISDIR), KVFormat("cannot read {}: not a regular file", path));
  }
  size = std::filesystem::file_size(p, ec);
  if (ec) return Fail(error, KV_E_FAIL, KVFormat("cannot read {}: {}", path, ec.message()));
  return KV_OK;
}

KVResult ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size, Bytes& out,
                       std::string& error) {
  std::uint64_t fileSize = 0;
  if (const KVResult r = GetFileSize(path, fileSize, error); r != KV_OK) return r;
  if (!InRange(offset, size, fileSize)) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                KVFormat("cannot read {} bytes at offset {} of {}: it has {} bytes", size, offset, path, fileSize));
  }
  errno = 0;
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return ErrnoFailure(error, "open", path);
  out.assign(size, 0);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
  if (!in) return ErrnoFailure(error, "read", path);
  return KV_OK;
}

KVResult ReadWholeFile(const std::string& path, std::uint64_t maxSize, Bytes& out, std::string& error) {
  std::uint64_t size = 0;
  if (const KVResult r = GetFileSize(path, size, error); r != KV_OK) return r;
  if (size > maxSize) {
    return Fail(error, KV_E_OUT_OF_RANGE,
                KVFormat("{} is too large ({} bytes; at most {} are accepted)", path, size, maxSize));
  }
  return ReadFileRange(path, 0, static_cast<std::size_t>(size), out, error);
}

PendingFile::PendingFile(std::string finalPath, const char* suffix)
    : finalPath_(std::move(finalPath)),
      temporaryPath_(KVFormat("{}.kvsfx-{}{}", finalPath_, CurrentProcessId(), suffix)) {}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Reserve() {
  if (registered_) return;
  const std::filesystem::path path = PathOf(temporaryPath_);
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  Register(path);
  registered_ = true;
}

KVResult PendingFile::Open(std::string& error) {
  Reserve();
  errno = 0;
  stream_.open(PathOf(temporaryPath_), std::ios::binary | std::ios::trunc);
  if (!stream_) return ErrnoFailure(error, "create", temporaryPath_);
  return KV_OK;
}

KVResult PendingFile::Write(const std::uint8_t* data, std::size_t size, std::string& error) {
  errno = 0;
  stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!stream_) return ErrnoFailure(error, "write", temporaryPath_);
  return KV_OK;
}

KVResult PendingFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size, std::string& error) {
  errno = 0;
  const std::streampos end = stream_.tellp();
  stream_.seekp(static_cast<std::streamoff>(offset));
  stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  stream_.seekp(end);
  if (!stream_) return ErrnoFailure(error, "write", temporaryPath_);
  return KV_OK;
}

KVResult PendingFile::Commit(std::string& error) {
  errno = 0;
  stream_.close();
  if (!stream_) return ErrnoFailure(error, "write", temporaryPath_);
  if (const KVResult r = RenameReplacing(temporaryPath_, finalPath_, error); r != KV_OK) return r;
  Unregister(PathOf(temporaryPath_));
  registered_ = false;
  return KV_OK;
}

void PendingFile::Discard() {
  if (stream_.is_open()) stream_.close();
  if (!registered_) return;
  const std::filesystem::path path = PathOf(temporaryPath_);
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  Unregister(path);
  registered_ = false;
}

}  // namespace kestrova
