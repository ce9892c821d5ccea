// The hidden top-level window through which the worker and the timer reach the main thread.
#pragma once
#include <windows.h>

#include <string>

#include "support/ErrorCodes.h"

class MessageHandler {
 public:
  virtual ~MessageHandler() = default;
  virtual void HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

inline const std::u16string kMessageWindowClassName = u"{C9F9CA79-6061-494D-9900-C7C623A13032}";

class MessageWindow {
 public:
  MessageWindow(HINSTANCE instance, MessageHandler* owner) : instance_(instance), owner_(owner) {}
  ~MessageWindow() { Destroy(); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Registers the class and creates the window; a window created in vain is destroyed again.
  kestrova::KVResult Create();
  // Closes the window and unregisters the class; safe to call twice.
  void Destroy();
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  MessageHandler* owner_;
  HWND window_ = nullptr;
  bool registered_ = false;
};
