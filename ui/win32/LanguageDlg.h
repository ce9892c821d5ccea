// The modal dialog in which the user picks one of the offered languages; OK is the only way out.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/LanguageMgr.h"
#include "ui/win32/DialogLayout.h"

class LanguageDlg {
 public:
  LanguageDlg(LanguageMgr& languages, const std::u16string& title) : languages_(languages), title_(title) {}
  LanguageDlg(const LanguageDlg&) = delete;
  LanguageDlg& operator=(const LanguageDlg&) = delete;

  // IDOK when a language was chosen and the manager took it, IDCANCEL otherwise; 0 or -1 when the dialog
  // could not be shown.
  INT_PTR Run(HINSTANCE instance, HWND owner);

  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog(HWND dialog);
  void OnSelectionChange();
  void OnOk();

  LanguageMgr& languages_;
  const std::u16string& title_;
  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
  std::u16string chosenTag_;
  std::vector<std::u16string> tags_;  // the combo box items' data index this list
  DialogResizer resizer_;
};
