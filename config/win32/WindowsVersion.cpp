#include "config/win32/WindowsVersion.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "support/win32/UniqueResource.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

namespace {

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "version tests use the 284-byte structure");

// One VerifyVersionInfoW test. ERROR_OLD_WIN_VERSION is the answer "no"; other failures end detection.
class VersionTest {
 public:
  VersionTest() { info_.dwOSVersionInfoSize = sizeof(info_); }
  OSVERSIONINFOEXW& Info() { return info_; }
  void Require(DWORD typeBit, BYTE condition) {
    typeMask_ |= typeBit;
    conditions_ = ::VerSetConditionMask(conditions_, typeBit, condition);
  }
  KVResult Run(bool& yes) {
    yes = false;
    if (::VerifyVersionInfoW(&info_, typeMask_, conditions_)) {
      yes = true;
      return KV_OK;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_OLD_WIN_VERSION ? KV_OK : KVLastError();
  }

 private:
  OSVERSIONINFOEXW info_ = {};
  DWORD typeMask_ = 0;
  DWORDLONG conditions_ = 0;
};

KVResult IsWorkstation(bool& yes) {
  VersionTest test;
  test.Info().wProductType = VER_NT_WORKSTATION;
  test.Require(VER_PRODUCT_TYPE, VER_EQUAL);
  return test.Run(yes);
}

KVResult IsHomeServer(bool& yes) {
  VersionTest test;
  test.Info().wSuiteMask = VER_SUITE_WH_SERVER;
  test.Require(VER_SUITENAME, VER_OR);
  return test.Run(yes);
}

KVResult IsVersion(DWORD major, DWORD minor, bool& yes) {
  VersionTest test;
  test.Info().dwMajorVersion = major;
  test.Info().dwMinorVersion = minor;
  test.Require(VER_MAJORVERSION, VER_EQUAL);
  test.Require(VER_MINORVERSION, VER_EQUAL);
  return test.Run(yes);
}

// The value's text up to its first NUL (registry strings need not be terminated).
std::u16string_view RegistryText(const std::vector<BYTE>& data, DWORD size) {
  const std::u16string_view text(reinterpret_cast<const char16_t*>(data.data()), size / sizeof(char16_t));
  return text.substr(0, text.find(u'\0'));
}

}  // namespace

KVResult ReadCurrentBuildNumber(std::uint32_t& build) {
  build = 0;
  KVUniqueRegKey key;
  LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                   KEY_READ, key.put());
  if (status != ERROR_SUCCESS) {
    return KV_FAIL(static_cast<KVResult>(status), "opening HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  }

  std::vector<BYTE> data(512);
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(data.size());
  while ((status = ::RegQueryValueExW(key.get(), L"CurrentBuildNumber", nullptr, &type, data.data(), &size)) ==
         ERROR_MORE_DATA) {
    data.resize(size + 2);
    size = static_cast<DWORD>(data.size());
  }
  if (status != ERROR_SUCCESS) return KV_FAIL(static_cast<KVResult>(status), "reading CurrentBuildNumber");
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    return KV_FAIL(KV_E_REGISTRY_TYPE, "reading CurrentBuildNumber: registry type {}, not a string", type);
  }
  KV_RETURN_IF_FAILED(ParseBuildNumber(RegistryText(data, size), build), "reading CurrentBuildNumber as a number");
  return KV_OK;
}

KVResult GetWindowsVersion(WindowsVersion& version) {
  version = WindowsVersion::OtherWindows;
  bool workstation = false;
  bool homeServer = false;
  KV_RETURN_IF_FAILED(IsWorkstation(workstation), "checking for a workstation");
  KV_RETURN_IF_FAILED(IsHomeServer(homeServer), "checking for Windows Home Server");

  struct NamedRelease {
    DWORD major, minor;
    WindowsVersion workstation, server;
  };
  static constexpr NamedRelease kReleases[] = {
      {6, 1, WindowsVersion::W7, WindowsVersion::S2008R2}, {6, 2, WindowsVersion::W8, WindowsVersion::S2012}, {6, 3, WindowsVersion::W8_1, WindowsVersion::S2012R2}};
  bool matches = false;
  for (const NamedRelease& release : kReleases) {
    KV_RETURN_IF_FAILED(IsVersion(release.major, release.minor, matches), "checking for Windows {}.{}", release.major,
                        release.minor);
    if (!matches) continue;
    if (workstation) version = release.workstation;
    else if (release.server == WindowsVersion::S2008R2 && homeServer) version = WindowsVersion::HS2011;
    else version = release.server;
    return KV_OK;
  }

  KV_RETURN_IF_FAILED(IsVersion(10, 0, matches), "checking for Windows 10.0");
  if (!matches) return KV_OK;
  std::uint32_t build = 0;
  KV_RETURN_IF_FAILED(ReadCurrentBuildNumber(build), "reading the build number of Windows 10.0");
  version = workstation ? WorkstationVersionFromBuild(build) : ServerVersionFromBuild(build);
  return KV_OK;
}
