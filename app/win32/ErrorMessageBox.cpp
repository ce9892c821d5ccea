#include "app/win32/ErrorMessageBox.h"

#include "app/CmdLine.h"
#include "app/ProcessValues.h"
#include "app/RunOutcome.h"
#include "ui/win32/ErrorBox.h"

using namespace kestrova;

KVResult ShowErrorMessage(KVResult code) {
  const std::u16string text = ErrorMessageText(code);
  if (!text.empty() && CmdLineValues.gui != CmdLine::SFXGuiMode::Off) {
    ShowErrorBox(nullptr, text, ApplicationTitle());
  }
  return MappedErrorCode(code);
}
