#include "app/win32/MessageBoxAction.h"

#include "app/ProcessValues.h"
#include "commands/Conditions.h"
#include "support/Text.h"

kestrova::KVResult MessageBoxAction::Show(HWND owner) {
  const int pressed =
      ::MessageBoxW(owner, kestrova::AsWide(text_), kestrova::AsWide(ApplicationTitle()), static_cast<UINT>(style_));
  MessageResult answer = answer_;
  if (MessageResultFromButtonId(pressed, answer)) answer_ = answer;
  return kestrova::KV_OK;
}
