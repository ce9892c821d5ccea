#include "ui/win32/DialogLayout.h"

#include <algorithm>

namespace {

constexpr int kSizeGripId = 0xE801;

RECT ChildRect(HWND dialog, HWND child) {
  RECT rect = {};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int WindowDpi(HWND window) {
  const HDC dc = ::GetDC(window);
  if (dc == nullptr) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(window, dc);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

void DialogResizer::Attach(HWND dialog, std::initializer_list<AnchoredControl> controls) {
  dialog_ = dialog;
  dpi_ = WindowDpi(dialog);
  ::SetWindowLongPtrW(dialog, GWL_STYLE, ::GetWindowLongPtrW(dialog, GWL_STYLE) | WS_THICKFRAME | WS_CLIPCHILDREN);
  RECT window = {};
  ::GetWindowRect(dialog, &window);
  minimumSize_ = {window.right - window.left, window.bottom - window.top};
  RECT client = {};
  ::GetClientRect(dialog, &client);
  controls_.clear();
  for (const AnchoredControl& control : controls) {
    const HWND child = ::GetDlgItem(dialog, control.id);
    if (child == nullptr) continue;
    controls_.push_back({child, control.anchor, static_cast<int>(client.right - ChildRect(dialog, child).right)});
  }
  const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
  sizeGrip_ = ::CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP,
                                client.right - grip, client.bottom - grip, grip, grip, dialog,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kSizeGripId)), nullptr, nullptr);
}

bool DialogResizer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      LayOut(wParam);
      return false;
    case WM_GETMINMAXINFO:
      if (minimumSize_.cx < 0) return false;
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
      return true;
    case WM_DPICHANGED: {
      // The system rescales the dialog and its controls; the recorded distances follow.
      const int dpi = HIWORD(wParam);
      if (dpi <= 0 || dpi == dpi_) return false;
      for (Tracked& control : controls_) control.rightMargin = ::MulDiv(control.rightMargin, dpi, dpi_);
      if (minimumSize_.cx >= 0) {
        minimumSize_ = {::MulDiv(minimumSize_.cx, dpi, dpi_), ::MulDiv(minimumSize_.cy, dpi, dpi_)};
      }
      dpi_ = dpi;
      return false;
    }
    default:
      return false;
  }
}

void DialogResizer::LayOut(WPARAM sizeKind) {
  if (sizeGrip_ != nullptr) ::ShowWindow(sizeGrip_, sizeKind == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
  if (dialog_ == nullptr || sizeKind == SIZE_MINIMIZED) return;
  RECT client = {};
  ::GetClientRect(dialog_, &client);
  if (sizeGrip_ != nullptr) {
    const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
    ::SetWindowPos(sizeGrip_, nullptr, client.right - grip, client.bottom - grip, grip, grip,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (const Tracked& control : controls_) {
    const RECT rect = ChildRect(dialog_, control.window);
    const LONG right = client.right - control.rightMargin;
    const LONG width = rect.right - rect.left;
    if (control.anchor == Anchor::StretchX) {
      ::SetWindowPos(control.window, nullptr, 0, 0, std::max<LONG>(right - rect.left, 0), rect.bottom - rect.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      ::SetWindowPos(control.window, nullptr, right - width, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(control.window, nullptr, TRUE);
  }
}

void CenterDialog(HWND dialog, HWND owner) {
  RECT window = {};
  ::GetWindowRect(dialog, &window);
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  const bool overOwner = owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner);
  ::GetMonitorInfoW(::MonitorFromWindow(overOwner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT centre = monitor.rcWork;
  if (overOwner) ::GetWindowRect(owner, &centre);
  const RECT& area = monitor.rcWork;
  LONG left = centre.left + (centre.right - centre.left - width) / 2;
  LONG top = centre.top + (centre.bottom - centre.top - height) / 2;
  left = std::max(area.left, std::min(left, area.right - width));
  top = std::max(area.top, std::min(top, area.bottom - height));
  ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
