// The modal dialog in which the user confirms or chooses the folder to extract to.
#pragma once
#include <windows.h>

#include <string>

#include "commands/VariableFacts.h"
#include "ui/win32/DialogLayout.h"

class ExtractToDlg {
 public:
  // The folder starts as the normalised target template (empty when it cannot be normalised).
  ExtractToDlg(const std::u16string& targetTemplate, VariableFacts& facts, const std::u16string& title);
  ExtractToDlg(const ExtractToDlg&) = delete;
  ExtractToDlg& operator=(const ExtractToDlg&) = delete;

  // IDOK when the user confirmed a folder, IDCANCEL when they cancelled; 0 or -1 when the dialog could not be
  // shown.
  INT_PTR Run(HINSTANCE instance, HWND owner);
  const std::u16string& FolderPath() const { return folder_; }

  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog(HWND dialog);
  void OnEditChange();
  void OnBrowse();
  void OnOk();
  void EnableOk();
  static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

  VariableFacts& facts_;
  const std::u16string& title_;
  std::u16string folder_;
  HWND dialog_ = nullptr;
  HWND edit_ = nullptr;
  HWND ok_ = nullptr;
  DialogResizer resizer_;
};
