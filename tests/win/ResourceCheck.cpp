// Checks the resources of an installer through the Windows loader and resource functions.
//   kvsfx-resource-check INSTALLER.exe CONFIG|- [--icon ID]... [--dialog ID]...
//                        [--version-fixed FILE/PRODUCT]... [--version-string NAME=VALUE]...
// The version information is read as Explorer and deployment tools read it: GetFileVersionInfoW, VerQueryValueW.
// CONFIG is the file whose bytes resource RT_RCDATA 222 (language 1033) must hold, or "-" for none.
// Prints one "ok" or "FAIL" line per check; the exit code is the number of failures.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/Text.h"
#include "support/win32/UniqueResource.h"

namespace {

int failures = 0;

void Report(bool ok, const std::string& what, const std::string& detail = {}) {
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  if (!ok) ++failures;
}

std::string Error() { return "error " + std::to_string(::GetLastError()); }

std::string Narrow(const std::wstring& text) { return kestrova::Utf16ToUtf8(kestrova::FromWide(text.c_str())); }

void CheckVersion(const wchar_t* path, const std::wstring& option, const std::wstring& expected) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  std::vector<char> block(size);
  if (size == 0 || !::GetFileVersionInfoW(path, 0, size, block.data())) block.clear();  // no version information
  void* value = nullptr;
  UINT length = 0;
  if (option == L"--version-fixed") {
    const bool found = !block.empty() && ::VerQueryValueW(block.data(), L"\\", &value, &length) &&
                       length == sizeof(VS_FIXEDFILEINFO);
    std::wstring actual = L"none";
    if (found) {
      const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
      wchar_t text[64];
      std::swprintf(text, 64, L"%u.%u.%u.%u/%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                    HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS),
                    LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                    LOWORD(fixed->dwProductVersionLS));
      actual = text;
    }
    Report(actual == expected, "the fixed file/product version is " + Narrow(expected), Narrow(actual));
    const bool translation = !block.empty() && ::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
                             length == 4 && *static_cast<const DWORD*>(value) == 0x04B00409;
    Report(translation, "VarFileInfo\\Translation is 0409 04B0");
    return;
  }
  const std::size_t equals = expected.find(L'=');
  const std::wstring name = expected.substr(0, equals);
  const std::wstring want = equals == std::wstring::npos ? L"" : expected.substr(equals + 1);
  const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
  std::wstring actual = L"(absent)";
  if (!block.empty() && ::VerQueryValueW(block.data(), query.c_str(), &value, &length)) {
    actual = length == 0 ? L"" : std::wstring(static_cast<const wchar_t*>(value));
  }
  Report(actual == want, "the version string " + Narrow(name) + " is '" + Narrow(want) + "'", Narrow(actual));
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: kvsfx-resource-check INSTALLER.exe CONFIG|- [--icon ID]... [--dialog ID]...\n", stderr);
    return 100;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  // Mapped as an image, section by section, as the loader maps a program.
  const kestrova::KVUniqueModule owned(
      ::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
  const HMODULE module = owned.get();
  Report(module != nullptr, "the installer maps as an image", module == nullptr ? Error() : "");
  if (module == nullptr) return failures;

  const HRSRC info =
      ::FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCEW(222), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  const auto* data = info != nullptr ? static_cast<const char*>(::LockResource(::LoadResource(module, info))) : nullptr;
  const bool found = data != nullptr;
  const std::vector<char> config(data, found ? data + ::SizeofResource(module, info) : data);
  if (std::wcscmp(argv[2], L"-") == 0) {
    Report(!found, "no configuration resource");
  } else {
    std::ifstream file(argv[2], std::ios::binary);
    const std::vector<char> expected{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Report(found && config == expected, "RT_RCDATA 222 (language 1033) holds the configuration byte for byte",
           found ? std::to_string(config.size()) + " of " + std::to_string(expected.size()) + " bytes" : Error());
  }

  for (int i = 3; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    const auto id = static_cast<WORD>(std::wcstoul(argv[i + 1], nullptr, 10));  // for --icon and --dialog
    if (option == L"--icon") {
      const HICON icon = ::LoadIconW(module, MAKEINTRESOURCEW(id));
      Report(icon != nullptr, "LoadIcon loads icon group " + std::to_string(id), icon == nullptr ? Error() : "");
    } else if (option == L"--dialog") {
      const kestrova::KVUniqueWindow dialog(
          ::CreateDialogParamW(module, MAKEINTRESOURCEW(id), nullptr, IgnoreMessages, 0));
      Report(static_cast<bool>(dialog), "dialog " + std::to_string(id) + " is created from its template",
             dialog ? "" : Error());
    } else if (option == L"--version-fixed" || option == L"--version-string") {
      CheckVersion(argv[1], option, argv[i + 1]);
    } else {
      Report(false, "unknown option");
    }
  }
  return failures;
}
