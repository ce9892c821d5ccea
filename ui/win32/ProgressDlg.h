// The modeless marquee window shown while the run is busy; it offers no way to cancel.
#pragma once
#include <windows.h>

#include <string>

#include "support/ErrorCodes.h"
#include "support/win32/UniqueResource.h"
#include "ui/win32/DialogLayout.h"

class ProgressDlg {
 public:
  ProgressDlg() = default;
  ProgressDlg(const ProgressDlg&) = delete;
  ProgressDlg& operator=(const ProgressDlg&) = delete;

  // Creates the dialog hidden, with `title` as its caption and the marquee running.
  kestrova::KVResult Create(HINSTANCE instance, const std::u16string& title);
  void Show(bool visible);
  void Destroy() { dialog_.reset(); }
  HWND Handle() const { return dialog_.get(); }

  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog(HWND dialog);

  kestrova::KVUniqueWindow dialog_;  // taken over in WM_INITDIALOG, destroyed with the object
  const std::u16string* title_ = nullptr;
  DialogResizer resizer_;
};
