// Facts about the system that the worker relies on.
#include <gtest/gtest.h>
#include <windows.h>

#include "config/win32/ProcessMachine.h"
#include "config/win32/Wow64FsRedirectionGuard.h"

namespace {

// The machine field of the PE header of the kernel32.dll that this thread sees in the system folder.
WORD SystemKernel32Machine() {
  wchar_t path[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%SystemRoot%\\System32\\kernel32.dll", path, MAX_PATH);
  const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos = {};
  IMAGE_FILE_HEADER header = {};
  DWORD read = 0;
  DWORD signature = 0;
  ::ReadFile(file, &dos, sizeof(dos), &read, nullptr);
  ::SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
  ::ReadFile(file, &signature, sizeof(signature), &read, nullptr);
  ::ReadFile(file, &header, sizeof(header), &read, nullptr);
  ::CloseHandle(file);
  return header.Machine;
}

}  // namespace

TEST(ProcessMachine, ThirtyTwoBitProcessOnA64BitSystem) {
  ProcessMachines machines;
  ASSERT_EQ(QueryProcessMachines(machines), 0u);
  EXPECT_EQ(machines.process, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(machines.native, IMAGE_FILE_MACHINE_AMD64);
}

TEST(Wow64FsRedirectionGuard, TurnsRedirectionOffForItsLifetime) {
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
  {
    const Wow64FsRedirectionGuard guard;
    ASSERT_EQ(guard.Error(), 0u);
    EXPECT_TRUE(guard.IsWow64());
    EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_AMD64);
  }
  EXPECT_EQ(SystemKernel32Machine(), IMAGE_FILE_MACHINE_I386);
}
