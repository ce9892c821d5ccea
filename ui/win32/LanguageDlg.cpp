#include "ui/win32/LanguageDlg.h"

#include "support/Log.h"
#include "support/Text.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/DialogProc.h"
#include "ui/win32/Resources.h"

using kestrova::AsWide;

INT_PTR LanguageDlg::Run(HINSTANCE instance, HWND owner) {
  LoadCommonControls();
  return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LANGUAGE_DIALOG), owner, &DialogProcOf<LanguageDlg>,
                           reinterpret_cast<LPARAM>(this));
}

void LanguageDlg::OnInitDialog(HWND dialog) {
  dialog_ = dialog;
  if (languages_.Languages().empty()) {
    ::EndDialog(dialog, IDOK);
    return;
  }
  list_ = ::GetDlgItem(dialog, IDC_LANGUAGE_LIST);
  ::SetWindowTextW(dialog, AsWide(title_));
  tags_.clear();
  for (const kestrova::KVLanguageEntry& entry : languages_.Languages()) {
    const std::u16string text = kestrova::KVLanguageDisplayText(entry);
    const LRESULT item = ::SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(text)));
    if (item < 0) continue;
    ::SendMessageW(list_, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(tags_.size()));
    tags_.push_back(entry.tag);
  }

  // The default language is current; without one (or when it is not listed) the first item in sorted order.
  const LRESULT count = ::SendMessageW(list_, CB_GETCOUNT, 0, 0);
  LRESULT current = 0;
  chosenTag_ = languages_.Selected().tag;
  for (LRESULT item = 0; item < count && !chosenTag_.empty(); ++item) {
    const auto index = static_cast<std::size_t>(::SendMessageW(list_, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    if (index < tags_.size() && tags_[index] == chosenTag_) {
      current = item;
      break;
    }
  }
  ::SendMessageW(list_, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
  OnSelectionChange();

  if (kestrova::KVLogActive()) {
    std::u16string shown;
    for (LRESULT item = 0; item < count; ++item) {
      const auto length = ::SendMessageW(list_, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
      std::u16string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, u'\0');
      ::SendMessageW(list_, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(AsWide(text)));
      text.resize(text.find(u'\0'));
      shown += (item == 0 ? u"" : u" | ") + text;
    }
    kestrova::KVLogEvent("language dialog: offers {}; current {}", shown, chosenTag_);
  }
  CenterDialog(dialog, ::GetWindow(dialog, GW_OWNER));
  resizer_.Attach(dialog, {{IDC_LANGUAGE_TEXT, Anchor::StretchX},
                           {IDC_LANGUAGE_LIST, Anchor::StretchX},
                           {IDOK, Anchor::MoveX}});
}

void LanguageDlg::OnSelectionChange() {
  const LRESULT item = ::SendMessageW(list_, CB_GETCURSEL, 0, 0);
  chosenTag_.clear();
  if (item < 0) return;
  const auto index = static_cast<std::size_t>(::SendMessageW(list_, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
  if (index < tags_.size()) chosenTag_ = tags_[index];
}

void LanguageDlg::OnOk() {
  INT_PTR result = IDCANCEL;
  if (!chosenTag_.empty() && languages_.SelectByTag(chosenTag_) == kestrova::KV_OK) result = IDOK;
  kestrova::KVLogEvent("language dialog: OK with {}", chosenTag_.empty() ? u"nothing" : chosenTag_);
  tags_.clear();
  ::SendMessageW(list_, CB_RESETCONTENT, 0, 0);
  ::EndDialog(dialog_, result);
}

INT_PTR LanguageDlg::OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_LANGUAGE_LIST && HIWORD(wParam) == CBN_SELCHANGE) {
        OnSelectionChange();
      } else if (LOWORD(wParam) == IDOK) {
        OnOk();
      }
      // Cancel (Escape) is ignored: OK is the only way out.
      return TRUE;
    default:
      return resizer_.OnMessage(message, wParam, lParam);
  }
}
