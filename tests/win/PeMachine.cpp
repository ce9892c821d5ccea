#include "tests/win/PeMachine.h"

#include "support/win32/UniqueResource.h"

WORD SystemKernel32Machine() {
  wchar_t path[MAX_PATH] = {};
  if (::ExpandEnvironmentStringsW(L"%SystemRoot%\\System32\\kernel32.dll", path, MAX_PATH) == 0) return 0;
  const kestrova::KVUniqueFile file(
      ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  IMAGE_DOS_HEADER dos = {};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header = {};
  DWORD read = 0;
  if (!::ReadFile(file.get(), &dos, sizeof(dos), &read, nullptr) ||
      ::SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::ReadFile(file.get(), &signature, sizeof(signature), &read, nullptr) || signature != IMAGE_NT_SIGNATURE ||
      !::ReadFile(file.get(), &header, sizeof(header), &read, nullptr)) {
    return 0;
  }
  return header.Machine;
}
