#include "ui/win32/CommonControls.h"

#include <windows.h>

#include <commctrl.h>

void LoadCommonControls() {
  static bool loaded = false;  // main thread only
  if (loaded) return;
  loaded = true;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  ::InitCommonControlsEx(&controls);
}
