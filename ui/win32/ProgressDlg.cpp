#include "ui/win32/ProgressDlg.h"

#include <commctrl.h>

#include "support/Text.h"
#include "support/win32/Win32Failure.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/DialogProc.h"
#include "ui/win32/Resources.h"

using namespace kestrova;

KVResult ProgressDlg::Create(HINSTANCE instance, const std::u16string& title) {
  title_ = &title;
  LoadCommonControls();
  const HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS_DIALOG), nullptr,
                                           &DialogProcOf<ProgressDlg>, reinterpret_cast<LPARAM>(this));
  KV_RETURN_LAST_ERROR_IF(dialog == nullptr, "creating the progress dialog (resource {})", IDD_PROGRESS_DIALOG);
  return KV_OK;
}

void ProgressDlg::Show(bool visible) {
  if (dialog_) ::ShowWindow(dialog_.get(), visible ? SW_SHOWNORMAL : SW_HIDE);
}

void ProgressDlg::OnInitDialog(HWND dialog) {
  dialog_.reset(dialog);
  ::SetWindowTextW(dialog, title_ != nullptr ? AsWide(*title_) : L"");
  ::SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETMARQUEE, TRUE, 0);
  CenterDialog(dialog, nullptr);
  ::ShowWindow(dialog, SW_HIDE);
  resizer_.Attach(dialog, {{IDC_PROGRESS_BAR, Anchor::StretchX}});

  INPUT shift[2] = {};
  shift[0].type = INPUT_KEYBOARD;
  shift[0].ki.wVk = VK_SHIFT;
  shift[1] = shift[0];
  shift[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, shift, sizeof(INPUT));
}

INT_PTR ProgressDlg::OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      // Enter, Escape and close requests do not close the dialog.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    default:
      return resizer_.OnMessage(message, wParam, lParam);
  }
}
