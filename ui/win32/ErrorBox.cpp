#include "ui/win32/ErrorBox.h"

#include "support/Text.h"
#include "ui/win32/CommonControls.h"

void ShowErrorBox(HWND owner, const std::u16string& text, const std::u16string& caption) {
  LoadCommonControls();
  ::MessageBoxW(owner, kestrova::AsWide(text), kestrova::AsWide(caption),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}
