#include "app/win32/ErrorMessageBox.h"

#include <windows.h>

#include "app/CmdLine.h"
#include "app/ProcessValues.h"
#include "app/RunOutcome.h"
#include "support/Text.h"

using namespace kestrova;

KVResult ShowErrorMessage(KVResult code) {
  const std::u16string text = ErrorMessageText(code);
  if (!text.empty() && CmdLineValues.gui != CmdLine::SFXGuiMode::Off) {
    ::MessageBoxW(nullptr, AsWide(text), AsWide(ApplicationTitle()),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
  }
  return MappedErrorCode(code);
}
