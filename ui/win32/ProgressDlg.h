// The modeless marquee window shown while the run is busy; it offers no way to cancel.
#pragma once
#include <windows.h>

#include <string>

#include "support/ErrorCodes.h"

class ProgressDlg {
 public:
  ProgressDlg() = default;
  ~ProgressDlg() { Destroy(); }
  ProgressDlg(const ProgressDlg&) = delete;
  ProgressDlg& operator=(const ProgressDlg&) = delete;

  // Creates the dialog hidden, with `title` as its caption and the marquee running.
  kestrova::KVResult Create(HINSTANCE instance, const std::u16string& title);
  void Show(bool visible);
  void Destroy();
  HWND Handle() const { return dialog_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog(HWND dialog);
  void LayOut(WPARAM sizeKind);

  HWND dialog_ = nullptr;
  HWND bar_ = nullptr;
  HWND sizeGrip_ = nullptr;
  const std::u16string* title_ = nullptr;
  SIZE minimumSize_ = {};
  int barRightMargin_ = 0;
};
