// The dialog procedure of a dialog object: the object rides in DWLP_USER from WM_INITDIALOG on, whose
// lParam carries it, and handles every message in OnMessage.
#pragma once
#include <windows.h>

template <class Dialog>
INT_PTR CALLBACK DialogProcOf(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrW(window, DWLP_USER, lParam);
  auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  return self != nullptr ? self->OnMessage(window, message, wParam, lParam) : FALSE;
}
