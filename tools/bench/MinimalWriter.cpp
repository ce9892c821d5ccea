// The file system's own cost of extracting files, the yardstick of scripts/bench.sh: writes the files that a
// manifest lists with only the calls that no extraction can do without, CreateDirectoryW once per folder, then
// CreateFileW, WriteFile, SetFileTime and CloseHandle per file.
//   kv-minwriter MANIFEST TARGET
// MANIFEST: UTF-8, one line per file in the order to write them: its size in bytes, a blank, its path below TARGET
// ('/' separates folders). Exit code 0, or 1 with a message.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

int Fail(const wchar_t* what, const std::wstring& path) {
  std::fwprintf(stderr, L"kv-minwriter: %ls %ls failed, error %lu\n", what, path.c_str(), ::GetLastError());
  return 1;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                      static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return wide;
}

bool ReadWhole(const wchar_t* path, std::string& text) {
  const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = ::GetFileSize(file, nullptr);
  text.resize(size);
  DWORD read = 0;
  const bool ok = size != INVALID_FILE_SIZE && ::ReadFile(file, text.data(), size, &read, nullptr) && read == size;
  ::CloseHandle(file);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: kv-minwriter MANIFEST TARGET\n");
    return 2;
  }
  std::string manifest;
  if (!ReadWhole(argv[1], manifest)) return Fail(L"reading", argv[1]);
  const std::wstring target = argv[2];

  struct Entry {
    unsigned long size;
    std::wstring path;
  };
  std::vector<Entry> entries;
  unsigned long largest = 0;
  for (std::size_t at = 0; at < manifest.size();) {
    std::size_t end = manifest.find('\n', at);
    if (end == std::string::npos) end = manifest.size();
    const std::string line = manifest.substr(at, end - at);
    at = end + 1;
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    Entry entry{std::strtoul(line.c_str(), nullptr, 10), Wide(line.substr(blank + 1))};
    for (wchar_t& c : entry.path) {
      if (c == L'/') c = L'\\';
    }
    if (entry.size > largest) largest = entry.size;
    entries.push_back(std::move(entry));
  }
  const std::vector<char> content(largest, 'x');

  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  std::set<std::wstring> folders;
  for (const Entry& entry : entries) {
    const std::wstring path = target + L"\\" + entry.path;
    for (std::size_t sep = path.find(L'\\', target.size() + 1); sep != std::wstring::npos;
         sep = path.find(L'\\', sep + 1)) {
      const std::wstring folder = path.substr(0, sep);
      if (folders.insert(folder).second && !::CreateDirectoryW(folder.c_str(), nullptr) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return Fail(L"CreateDirectoryW", folder);
      }
    }
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(L"CreateFileW", path);
    DWORD written = 0;
    const bool ok = (entry.size == 0 || (::WriteFile(file, content.data(), entry.size, &written, nullptr) &&
                                         written == entry.size)) &&
                    ::SetFileTime(file, nullptr, nullptr, &now);
    if (!::CloseHandle(file) || !ok) return Fail(L"writing", path);
  }
  return 0;
}
