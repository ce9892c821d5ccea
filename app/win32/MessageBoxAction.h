// A configured message box, shown by the main thread for the worker.
#pragma once
#include <cstdint>
#include <string>

#include "app/win32/UIActionQueue.h"
#include "config/Conditional.h"

class MessageBoxAction final : public WaitableUIAction {
 public:
  MessageBoxAction(std::u16string text, std::uint32_t style, MessageResult defaultResult)
      : text_(std::move(text)), style_(style), answer_(defaultResult) {}

  // The button pressed; the default when the box returned no answer.
  MessageResult Answer() const { return answer_; }

 private:
  // Owned by the progress dialog, captioned with the application title.
  kestrova::KVResult Show(HWND owner) override;

  std::u16string text_;
  std::uint32_t style_;
  MessageResult answer_;
};
