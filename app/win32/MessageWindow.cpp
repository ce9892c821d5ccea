#include "app/win32/MessageWindow.h"

#include "app/win32/WindowMessages.h"
#include "support/Text.h"
#include "support/win32/Win32Failure.h"

using namespace kestrova;

KVResult MessageWindow::Create() {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &MessageWindow::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.lpszClassName = AsWide(kMessageWindowClassName);
  KV_RETURN_IF_WIN32_FALSE(::RegisterClassExW(&windowClass), "registering the window class {}",
                           kMessageWindowClassName);
  registered_ = true;

  window_ = ::CreateWindowExW(0, AsWide(kMessageWindowClassName), L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, nullptr);
  if (window_ == nullptr) {
    const KVResult error = KVLastError();
    Destroy();
    return KV_FAIL(error, "creating the message window");
  }
  ::SetLastError(0);
  if (::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)) == 0 && ::GetLastError() != 0) {
    const KVResult error = KVLastError();
    Destroy();
    return KV_FAIL(error, "attaching the message window to its owner");
  }
  return KV_OK;
}

void MessageWindow::Destroy() {
  if (window_ != nullptr) {
    ::SendMessageW(window_, WM_CLOSE, 0, 0);
    if (::IsWindow(window_)) ::DestroyWindow(window_);
    window_ = nullptr;
  }
  if (registered_) {
    ::UnregisterClassW(AsWide(kMessageWindowClassName), instance_);
    registered_ = false;
  }
}

LRESULT CALLBACK MessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && self->owner_ != nullptr &&
      (message == WM_TIMER || message == kWmShowProgress || message == kWmRunUIActions || message == kWmWorkerDone)) {
    self->owner_->HandleMessage(message, wParam, lParam);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}
