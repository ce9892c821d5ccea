#include "ui/win32/ProgressDlg.h"

#include <commctrl.h>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"
#include "ui/win32/Resources.h"

using namespace kestrova;

namespace {
constexpr int kSizeGripId = 0xE801;
}  // namespace

KVResult ProgressDlg::Create(HINSTANCE instance, const std::u16string& title) {
  title_ = &title;
  const HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS_DIALOG), nullptr,
                                           &ProgressDlg::DialogProc, reinterpret_cast<LPARAM>(this));
  KV_RETURN_LAST_ERROR_IF(dialog == nullptr, "creating the progress dialog (resource {})", IDD_PROGRESS_DIALOG);
  return KV_OK;
}

void ProgressDlg::Show(bool visible) {
  if (dialog_ != nullptr) ::ShowWindow(dialog_, visible ? SW_SHOWNORMAL : SW_HIDE);
}

void ProgressDlg::Destroy() {
  if (dialog_ != nullptr) {
    ::DestroyWindow(dialog_);
    dialog_ = nullptr;
    bar_ = nullptr;
    sizeGrip_ = nullptr;
  }
}

void ProgressDlg::OnInitDialog(HWND dialog) {
  dialog_ = dialog;
  bar_ = ::GetDlgItem(dialog, IDC_PROGRESS_BAR);
  ::SetWindowTextW(dialog, title_ != nullptr ? AsWide(*title_) : L"");
  ::SendMessageW(bar_, PBM_SETMARQUEE, TRUE, 0);

  // Centre on the work area of the monitor that holds the dialog.
  RECT window = {};
  ::GetWindowRect(dialog, &window);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  const LONG width = window.right - window.left;
  const LONG height = window.bottom - window.top;
  const RECT& area = monitor.rcWork;
  ::SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(dialog, SW_HIDE);

  // The bar keeps its left edge and its distance to the right edge; the dialog never gets smaller.
  ::SetWindowLongPtrW(dialog, GWL_STYLE, ::GetWindowLongPtrW(dialog, GWL_STYLE) | WS_THICKFRAME | WS_CLIPCHILDREN);
  minimumSize_ = {width, height};
  RECT client = {};
  RECT bar = {};
  ::GetClientRect(dialog, &client);
  ::GetWindowRect(bar_, &bar);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bar), 2);
  barRightMargin_ = client.right - bar.right;
  const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
  sizeGrip_ = ::CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP,
                                client.right - grip, client.bottom - grip, grip, grip, dialog,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kSizeGripId)), nullptr, nullptr);

  INPUT shift[2] = {};
  shift[0].type = INPUT_KEYBOARD;
  shift[0].ki.wVk = VK_SHIFT;
  shift[1] = shift[0];
  shift[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, shift, sizeof(INPUT));
}

void ProgressDlg::LayOut(WPARAM sizeKind) {
  if (sizeGrip_ != nullptr) ::ShowWindow(sizeGrip_, sizeKind == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
  if (bar_ == nullptr || sizeKind == SIZE_MINIMIZED) return;
  RECT client = {};
  RECT bar = {};
  ::GetClientRect(dialog_, &client);
  if (sizeGrip_ != nullptr) {
    const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
    ::SetWindowPos(sizeGrip_, nullptr, client.right - grip, client.bottom - grip, grip, grip,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::GetWindowRect(bar_, &bar);
  ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&bar), 2);
  const LONG width = client.right - barRightMargin_ - bar.left;
  if (width > 0) {
    ::SetWindowPos(bar_, nullptr, 0, 0, width, bar.bottom - bar.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(bar_, nullptr, TRUE);
  }
}

INT_PTR CALLBACK ProgressDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ProgressDlg*>(lParam);
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    self->OnInitDialog(dialog);
    return TRUE;
  }
  auto* self = reinterpret_cast<ProgressDlg*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      // Enter, Escape and close requests do not close the dialog.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return TRUE;
      return FALSE;
    case WM_SIZE:
      self->LayOut(wParam);
      return FALSE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (self->minimumSize_.cx > 0) info->ptMinTrackSize = {self->minimumSize_.cx, self->minimumSize_.cy};
      return TRUE;
    }
    default:
      return FALSE;
  }
}
