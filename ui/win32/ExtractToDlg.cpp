#include "ui/win32/ExtractToDlg.h"

#include <ole2.h>
#include <shlobj.h>

#include "support/Log.h"
#include "support/Text.h"
#include "support/win32/UniqueResource.h"
#include "ui/FolderChoice.h"
#include "ui/win32/CommonControls.h"
#include "ui/win32/DialogProc.h"
#include "ui/win32/ErrorBox.h"
#include "ui/win32/Resources.h"

using kestrova::AsWide;

namespace {

constexpr DWORD kLongPathBufferUnits = 249;

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, AsWide(text), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

ExtractToDlg::ExtractToDlg(const std::u16string& targetTemplate, VariableFacts& facts, const std::u16string& title)
    : facts_(facts), title_(title), folder_(NormalizeFolderText(targetTemplate, facts)) {}

INT_PTR ExtractToDlg::Run(HINSTANCE instance, HWND owner) {
  LoadCommonControls();
  return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_EXTRACT_TO_DIALOG), owner, &DialogProcOf<ExtractToDlg>,
                           reinterpret_cast<LPARAM>(this));
}

void ExtractToDlg::OnInitDialog(HWND dialog) {
  dialog_ = dialog;
  edit_ = ::GetDlgItem(dialog, IDC_EXTRACT_TO_FOLDER);
  ok_ = ::GetDlgItem(dialog, IDOK);
  ::SetWindowTextW(dialog, AsWide(title_));
  if (!folder_.empty()) ::SetWindowTextW(edit_, AsWide(folder_));
  EnableOk();
  CenterDialog(dialog, ::GetWindow(dialog, GW_OWNER));
  resizer_.Attach(dialog, {{IDC_EXTRACT_TO_FOLDER, Anchor::StretchX},
                           {IDC_EXTRACT_TO_BROWSE, Anchor::MoveX},
                           {IDOK, Anchor::MoveX},
                           {IDCANCEL, Anchor::MoveX}});
}

void ExtractToDlg::EnableOk() { ::EnableWindow(ok_, folder_.empty() ? FALSE : TRUE); }

void ExtractToDlg::OnEditChange() {
  folder_ = NormalizeFolderText(WindowText(edit_), facts_);
  EnableOk();
}

int CALLBACK ExtractToDlg::BrowseCallback(HWND browser, UINT message, LPARAM /*lParam*/, LPARAM data) {
  const auto* self = reinterpret_cast<const ExtractToDlg*>(data);
  if (message != BFFM_INITIALIZED || self->folder_.empty()) return 0;
  PIDLIST_ABSOLUTE parsed = nullptr;
  SFGAOF attributes = SFGAO_FILESYSTEM;
  if (SUCCEEDED(::SHParseDisplayName(AsWide(self->folder_), nullptr, &parsed, attributes, &attributes))) {
    const kestrova::KVUniqueCoTaskMemory<ITEMIDLIST> list(parsed);
    ::SendMessageW(browser, BFFM_SETEXPANDED, FALSE, reinterpret_cast<LPARAM>(list.get()));
  }
  return 0;
}

void ExtractToDlg::OnBrowse() {
  const kestrova::KVUniqueOleInitialization ole(SUCCEEDED(::OleInitialize(nullptr)));
  if (!ole) return;
  BROWSEINFOW browse = {};
  browse.hwndOwner = dialog_;
  browse.lpszTitle = L"Specify a location for the files to be extracted.";
  browse.ulFlags = BIF_NEWDIALOGSTYLE;
  browse.lpfn = &ExtractToDlg::BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(this);
  const kestrova::KVUniqueCoTaskMemory<ITEMIDLIST> picked(::SHBrowseForFolderW(&browse));
  if (!picked) return;
  wchar_t path[MAX_PATH] = {};
  if (::SHGetPathFromIDListW(picked.get(), path)) {
    const std::u16string normalized = NormalizeFolderText(std::u16string(kestrova::FromWide(path)), facts_);
    if (!normalized.empty()) folder_ = normalized;
  }
  ::SetWindowTextW(edit_, AsWide(folder_));  // EN_CHANGE normalises it again
  EnableOk();
}

void ExtractToDlg::OnOk() {
  wchar_t longPath[kLongPathBufferUnits] = {};
  const DWORD longPathResult = ::GetLongPathNameW(AsWide(folder_), longPath, kLongPathBufferUnits);
  if (!FolderLengthAccepted(FolderLengthAtOk(folder_, longPathResult, kLongPathBufferUnits))) {
    kestrova::KVLogEvent("folder dialog: \"{}\" is too long", folder_);
    ShowErrorBox(dialog_, FolderTooLongMessage(), title_);
    return;
  }
  kestrova::KVLogEvent("folder dialog: extract to \"{}\"", folder_);
  ::EndDialog(dialog_, IDOK);
}

INT_PTR ExtractToDlg::OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_EXTRACT_TO_FOLDER:
          if (HIWORD(wParam) == EN_CHANGE) OnEditChange();
          break;
        case IDC_EXTRACT_TO_BROWSE: OnBrowse(); break;
        case IDOK: OnOk(); break;
        case IDCANCEL: ::EndDialog(dialog, IDCANCEL); break;
        default: return FALSE;
      }
      return TRUE;
    default:
      return resizer_.OnMessage(message, wParam, lParam);
  }
}
