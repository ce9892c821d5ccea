// Checks the resources of an installer through the Windows loader and resource functions.
//   kvsfx-resource-check INSTALLER.exe CONFIG|- [--icon ID]... [--dialog ID]...
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

namespace {

int failures = 0;

void Report(bool ok, const std::string& what, const std::string& detail = {}) {
  std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  if (!ok) ++failures;
}

std::string Error() { return "error " + std::to_string(::GetLastError()); }

std::vector<char> Resource(HMODULE module, const wchar_t* type, WORD id, WORD language, bool& found) {
  found = false;
  const HRSRC info = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
  if (info == nullptr) return {};
  const HGLOBAL handle = ::LoadResource(module, info);
  const auto* data = static_cast<const char*>(::LockResource(handle));
  if (data == nullptr) return {};
  found = true;
  return std::vector<char>(data, data + ::SizeofResource(module, info));
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
  const HMODULE module =
      ::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
  Report(module != nullptr, "the installer maps as an image", module == nullptr ? Error() : "");
  if (module == nullptr) return failures;

  bool found = false;
  const std::vector<char> config = Resource(module, RT_RCDATA, 222, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), found);
  if (std::wcscmp(argv[2], L"-") == 0) {
    Report(!found, "no configuration resource");
  } else {
    std::ifstream file(argv[2], std::ios::binary);
    const std::vector<char> expected{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Report(found, "RT_RCDATA 222 found in language 1033 with FindResourceExW", found ? "" : Error());
    Report(found && config == expected, "the configuration reads back byte for byte",
           std::to_string(config.size()) + " of " + std::to_string(expected.size()) + " bytes");
  }
  Resource(module, RT_MANIFEST, 1, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), found);
  Report(found, "the manifest (RT_MANIFEST 1) is still there");

  for (int i = 3; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    const auto id = static_cast<WORD>(std::wcstoul(argv[i + 1], nullptr, 10));
    if (option == L"--icon") {
      Report(::LoadIconW(module, MAKEINTRESOURCEW(id)) != nullptr, "LoadIcon finds icon group " + std::to_string(id));
      const HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0));
      Report(icon != nullptr, "LoadImage loads icon group " + std::to_string(id), icon == nullptr ? Error() : "");
      ICONINFO info = {};
      if (icon != nullptr && ::GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        ::GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
        Report(bitmap.bmWidth == 32, "the icon is 32 pixels wide", std::to_string(bitmap.bmWidth));
        if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
      }
      if (icon != nullptr) ::DestroyIcon(icon);
    } else if (option == L"--dialog") {
      const HWND dialog = ::CreateDialogParamW(module, MAKEINTRESOURCEW(id), nullptr, IgnoreMessages, 0);
      Report(dialog != nullptr, "dialog " + std::to_string(id) + " is created from its template",
             dialog == nullptr ? Error() : "");
      if (dialog != nullptr) ::DestroyWindow(dialog);
    } else {
      Report(false, "unknown option");
    }
  }
  ::FreeLibrary(module);
  return failures;
}
