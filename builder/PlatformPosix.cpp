// The builder tool's system layer on POSIX systems.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "builder/FailureMessage.h"
#include "builder/Platform.h"
#include "support/Formatter.h"

extern char** environ;

using kestrova::KVFormat;
using kestrova::KVFromErrno;

namespace kestrova {

std::string ProgramDirectory() {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  buffer.resize(static_cast<std::size_t>(length));
  const std::size_t slash = buffer.rfind('/');
  return slash == std::string::npos ? std::string() : buffer.substr(0, slash == 0 ? 1 : slash);
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::string FindOnPath(const std::vector<std::string>& names) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  for (const std::string& name : names) {
    for (const char* begin = path;;) {
      const char* end = std::strchr(begin, ':');
      const std::string folder(begin, end != nullptr ? static_cast<std::size_t>(end - begin) : std::strlen(begin));
      const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
      struct stat info {};
      if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
      if (end == nullptr) break;
      begin = end + 1;
    }
  }
  return {};
}

KVResult RunProgram(const std::vector<std::string>& argv, std::string* output, int& exitCode, std::string& error) {
  std::vector<char*> arguments;
  for (const std::string& a : argv) arguments.push_back(const_cast<char*>(a.c_str()));
  arguments.push_back(nullptr);
  int pipeEnds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (output != nullptr) {
    if (::pipe(pipeEnds) != 0) {
      ::posix_spawn_file_actions_destroy(&actions);
      return Fail(error, KVFromErrno(errno), KVFormat("cannot run {}: {}", argv[0], std::strerror(errno)));
    }
    ::posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    ::posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  }
  std::fflush(stdout);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, arguments[0], &actions, nullptr, arguments.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (output != nullptr) {
    ::close(pipeEnds[1]);
    if (spawned == 0) {
      char buffer[65536];
      for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        output->append(buffer, static_cast<std::size_t>(n));
      }
    }
    ::close(pipeEnds[0]);
  }
  if (spawned != 0) {
    return Fail(error, KVFromErrno(spawned), KVFormat("cannot run {}: {}", argv[0], std::strerror(spawned)));
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return Fail(error, KVFromErrno(errno), KVFormat("lost {}: {}", argv[0], std::strerror(errno)));
  }
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return KV_OK;
}

KVResult RenameReplacing(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    return Fail(error, KVFromErrno(errno), KVFormat("cannot rename {} to {}: {}", from, to, std::strerror(errno)));
  }
  return KV_OK;
}

KVResult CopyModificationTimeClamped(const std::string& from, const std::string& to, std::int64_t notAfter,
                                     std::string& error) {
  struct stat source = {};
  if (::lstat(from.c_str(), &source) != 0) {
    return Fail(error, KVFromErrno(errno), KVFormat("cannot read the time of {}: {}", from, std::strerror(errno)));
  }
  timespec times[2] = {source.st_atim, source.st_mtim};
  if (source.st_mtim.tv_sec >= notAfter) times[1] = {static_cast<time_t>(notAfter), 0};
  times[0] = times[1];
  if (::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    return Fail(error, KVFromErrno(errno), KVFormat("cannot set the time of {}: {}", to, std::strerror(errno)));
  }
  return KV_OK;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

}  // namespace kestrova
