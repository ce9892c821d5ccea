// kv-windowfacts TITLE: facts about the visible top-level window titled exactly TITLE, for end-to-end checks of
// the dialogs: "style=0x........ sysmenu=yes|no thickframe=yes|no". Exits with 2 when there is no such window.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return ERROR_INVALID_PARAMETER;
  const HWND window = ::FindWindowW(nullptr, argv[1]);
  if (window == nullptr || !::IsWindowVisible(window)) return ERROR_FILE_NOT_FOUND;
  const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
  std::printf("style=0x%08lX sysmenu=%s thickframe=%s\n", static_cast<unsigned long>(style),
              (style & WS_SYSMENU) != 0 ? "yes" : "no", (style & WS_THICKFRAME) != 0 ? "yes" : "no");
  return 0;
}
