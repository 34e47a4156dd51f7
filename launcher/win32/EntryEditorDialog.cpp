#include "launcher/win32/EntryEditorDialog.h"

#include <shellapi.h>

#include <algorithm>

#include "common/win32/DelayLoad.h"
#include "common/win32/WideText.h"
#include "launcher/win32/InputBox.h"
#include "launcher/win32/Twips.h"

namespace carrydeck {

namespace {

// What a list or combo shows of an item at most; the item itself is kept whole elsewhere.
constexpr size_t kShownChars = 1024;

std::string Shown(const std::string& text) {
  std::string shown = text.substr(0, std::min(text.size(), text.find('\0')));
  if (shown.size() <= kShownChars) return shown;
  // Never half a character: the cut goes back to where one starts.
  size_t cut = kShownChars;
  while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
  return shown.substr(0, cut);
}

}  // namespace

EntryEditorDialog::EntryEditorDialog(MessageBoxFunction messageBox, DialogOpenedHook opened)
    : messageBox_(std::move(messageBox)), opened_(std::move(opened)) {}

void EntryEditorDialog::Show(HWND owner, IEntryEditor& form) {
  form_ = &form;
  owner_ = owner;
  form.Attach(*this, folders_);
  RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
  form_ = nullptr;
}

INT_PTR EntryEditorDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return FALSE;
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return FALSE;  // the focus is set: the name box
    case kDialogOpened:
      if (opened_) opened_(hwnd_);
      return TRUE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_MEASUREITEM:
      if (wParam == IDC_DIR1) {
        MeasureFolderRow(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
      }
      return FALSE;
    case WM_DRAWITEM:
      if (wParam == IDC_DIR1) {
        DrawFolderRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

int EntryEditorDialog::X(double twips) const { return TwipsToPixels(twips, dpiX_); }
int EntryEditorDialog::Y(double twips) const { return TwipsToPixels(twips, dpiY_); }

void EntryEditorDialog::OnInitDialog() {
  dpiX_ = ScreenDpi(nullptr, LOGPIXELSX);
  dpiY_ = ScreenDpi(nullptr, LOGPIXELSY);
  font_.reset(MakeFont("MS Sans Serif", 8.25, false, dpiY_));
  boldFont_.reset(MakeFont("Arial", 8.25, true, dpiY_));
  nameFont_.reset(MakeFont("Arial", 9.75, true, dpiY_));
  SHFILEINFOW info = {};
  const UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
  if (late::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags))
    folderIcon_.reset(info.hIcon);
  info = {};
  if (late::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON))
    openFolderIcon_.reset(info.hIcon);

  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SetWindowTextW(hwnd_, L"Add/Edit Entry");
  PlaceDialog(hwnd_, owner_, X(6600), Y(6975));
  CreateControls();
  form_->OnLoad();
  ::SetFocus(Control(IDC_TXTNAME));
  ::PostMessageW(hwnd_, kDialogOpened, 0, 0);
}

void EntryEditorDialog::CreateControls() {
  HFONT font = font_.get();
  HFONT bold = boldFont_.get();
  const DWORD edge = WS_EX_CLIENTEDGE;
  // One line each: a text wider than its label is cut, never wrapped into half a line. Labels
  // lie under the boxes they touch ("Name:" reaches into the name box's top edge).
  const DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP | WS_CLIPSIBLINGS;
  // Made in tab order, which is also the order Tab walks them in.
  MakeControl(hwnd_, edge, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, X(120), Y(345), X(6375), Y(360), IDC_TXTNAME,
              nameFont_.get());
  // A combo's height includes its dropped list.
  MakeControl(hwnd_, 0, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, X(120), Y(1155), X(2535),
              Y(315) + Y(3000), IDC_DRIVE1, font);
  MakeControl(hwnd_, edge, "LISTBOX", "",
              WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, X(120),
              Y(1515), X(2895), Y(3240), IDC_DIR1, font);
  MakeControl(hwnd_, edge, "LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, X(3120), Y(1155),
              X(3375), Y(3600), IDC_FILE1, font);
  MakeControl(hwnd_, edge, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, X(120), Y(5115), X(6375), Y(285),
              IDC_TXTCOMMANDLINE, font);
  MakeControl(hwnd_, 0, "STATIC", "Command Line Parameters:", kLabel, X(120), Y(4875), X(2415), Y(255), IDC_LABEL1,
              bold);
  MakeControl(hwnd_, 0, "STATIC", "Name:", kLabel, X(120), Y(120), X(3735), Y(255), IDC_LABEL2, bold);
  MakeControl(hwnd_, 0, "BUTTON", "&Save", WS_TABSTOP | BS_DEFPUSHBUTTON, X(1080), Y(6315), X(1935), Y(495),
              IDC_CMDSAVE, font);
  MakeControl(hwnd_, 0, "BUTTON", "&Cancel", WS_TABSTOP | BS_PUSHBUTTON, X(3600), Y(6315), X(1935), Y(495),
              IDC_CMDCANCEL, font);
  MakeControl(hwnd_, 0, "BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, X(2640), Y(1155), X(375), Y(315), IDC_CMDOTHER,
              font);
  MakeControl(hwnd_, 0, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, X(120), Y(750),
              X(5880), Y(315) + Y(2400), IDC_CMBTYPE, font);
  MakeControl(hwnd_, 0, "BUTTON", "+", WS_TABSTOP | BS_PUSHBUTTON, X(6050), Y(750), X(435), Y(315), IDC_CMDADDTYPE,
              font);
  MakeControl(hwnd_, 0, "STATIC",
              "Relative command line parameters (these work regardless of drive letter changes):", kLabel, X(120),
              Y(5400), X(6375), Y(255), IDC_LABEL3, font);
  MakeControl(hwnd_, 0, "STATIC", "%drive% - Drive that Carrydeck is on.", kLabel, X(240), Y(5640), X(4935), Y(255),
              IDC_LABEL4, font);
  MakeControl(hwnd_, 0, "STATIC", "%dir% - Target app folder.", kLabel, X(240), Y(5880), X(2655), Y(255), IDC_LABEL5,
              font);
  // Labels take no part in tabbing: moving them under the rest leaves the tab order as it is.
  for (int label : {IDC_LABEL1, IDC_LABEL2, IDC_LABEL3, IDC_LABEL4, IDC_LABEL5})
    ::SetWindowPos(Control(label), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void EntryEditorDialog::OnCommand(int id, int code) {
  switch (id) {
    case IDC_CMDSAVE:
      if (code == BN_CLICKED) form_->OnSave();
      break;
    case IDC_CMDCANCEL:
      // Esc and the frame's close box arrive here too.
      if (code == BN_CLICKED) form_->OnCancel();
      break;
    case IDC_CMDADDTYPE:
      if (code == BN_CLICKED) form_->OnAddType();
      break;
    case IDC_CMDOTHER:
      if (code == BN_CLICKED) form_->OnOtherFolder();
      break;
    case IDC_DRIVE1:
      if (code == CBN_SELCHANGE)
        form_->PickDrive(static_cast<int>(::SendMessageW(Control(IDC_DRIVE1), CB_GETCURSEL, 0, 0)));
      break;
    case IDC_DIR1:
      if (code == LBN_DBLCLK)
        form_->OpenFolderRow(static_cast<int>(::SendMessageW(Control(IDC_DIR1), LB_GETCURSEL, 0, 0)));
      break;
    case IDC_FILE1:
      if (code == LBN_SELCHANGE) form_->OnFileClick();
      break;
    default: break;
  }
}

void EntryEditorDialog::MeasureFolderRow(MEASUREITEMSTRUCT& item) const {
  int textHeight = 13;
  WindowDc dc(hwnd_);
  if (dc) {
    SelectedObject font(dc.get(), font_.get());
    TEXTMETRICW metrics;
    if (::GetTextMetricsW(dc.get(), &metrics)) textHeight = metrics.tmHeight;
  }
  item.itemHeight = static_cast<UINT>(std::max(textHeight, ::GetSystemMetrics(SM_CYSMICON)) + 2);
}

void EntryEditorDialog::DrawFolderRow(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= folderRows_.size()) {
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const FolderRow& row = folderRows_[item.itemID];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int icon = ::GetSystemMetrics(SM_CXSMICON);
  const int indent = icon * 3 / 4;
  int x = item.rcItem.left + 2 + row.level * indent;
  HICON picture = static_cast<HICON>(row.open ? openFolderIcon_.get() : folderIcon_.get());
  if (!picture) picture = folderIcon_.get();
  if (picture) {
    int y = item.rcItem.top + ((item.rcItem.bottom - item.rcItem.top) - icon) / 2;
    ::DrawIconEx(item.hDC, x, y, picture, icon, icon, 0, nullptr, DI_NORMAL);
  }
  x += icon + 3;
  RECT text = item.rcItem;
  text.left = x;
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const std::wstring shown = Wide(Shown(row.text));
  ::DrawTextW(item.hDC, shown.c_str(), static_cast<int>(shown.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
}

int EntryEditorDialog::MsgBox(const std::string& text, int style, const std::string& title) {
  return messageBox_ ? messageBox_(hwnd_, text, style, title)
                     : ::MessageBoxW(hwnd_, Wide(text).c_str(), Wide(title).c_str(), static_cast<UINT>(style));
}

void EntryEditorDialog::SetCaption(const std::string& text) { ::SetWindowTextW(hwnd_, Wide(text).c_str()); }

std::string EntryEditorDialog::NameText() const { return WindowText(Control(IDC_TXTNAME)); }
void EntryEditorDialog::SetNameText(const std::string& text) { ::SetWindowTextW(Control(IDC_TXTNAME), Wide(text).c_str()); }
std::string EntryEditorDialog::CommandLineText() const { return WindowText(Control(IDC_TXTCOMMANDLINE)); }
void EntryEditorDialog::SetCommandLineText(const std::string& text) {
  ::SetWindowTextW(Control(IDC_TXTCOMMANDLINE), Wide(text).c_str());
}
std::string EntryEditorDialog::TypeText() const { return WindowText(Control(IDC_CMBTYPE)); }
void EntryEditorDialog::SetTypeText(const std::string& text) { ::SetWindowTextW(Control(IDC_CMBTYPE), Wide(text).c_str()); }

void EntryEditorDialog::AddTypeItem(const std::string& text) {
  ::SendMessageW(Control(IDC_CMBTYPE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Shown(text)).c_str()));
}

void EntryEditorDialog::ShowDrives(const std::vector<std::string>& roots, int selected) {
  HWND combo = Control(IDC_DRIVE1);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& root : roots)
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Shown(folders_.DriveText(root))).c_str()));
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void EntryEditorDialog::ShowFolders(const std::vector<FolderRow>& rows, int current) {
  HWND list = Control(IDC_DIR1);
  folderRows_ = rows;
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const FolderRow& row : rows)
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Shown(row.text)).c_str()));
  ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void EntryEditorDialog::ShowFiles(const std::vector<std::string>& names) {
  HWND list = Control(IDC_FILE1);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names)
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Shown(name)).c_str()));
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

int EntryEditorDialog::SelectedFile() const {
  LRESULT index = ::SendMessageW(Control(IDC_FILE1), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void EntryEditorDialog::SelectFile(int index) {
  ::SendMessageW(Control(IDC_FILE1), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string EntryEditorDialog::InputBox(const std::string& prompt, const std::string& title) {
  return ShowInputBox(hwnd_, prompt, title, opened_);
}

void EntryEditorDialog::Close() { ::EndDialog(hwnd_, 0); }

}  // namespace carrydeck
