#include "launcher/win32/EntryEditorDialog.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "common/Paths.h"
#include "common/win32/DelayLoad.h"
#include "common/win32/Win32System.h"
#include "launcher/TypesFile.h"
#include "launcher/win32/Twips.h"

namespace carrydeck {

namespace {

// Posted at the end of WM_INITDIALOG: by the time it arrives the dialog (made visible as
// soon as it is loaded) is on screen and its modal loop runs.
constexpr UINT kOpened = WM_APP + 1;
// What a list or combo shows of an item at most; the item itself is kept whole elsewhere.
constexpr size_t kShownChars = 1024;

// No "insert a disk" box from the system while a drive without a medium is looked at.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : old_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {
    ::SetErrorMode(old_ | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  }
  ~QuietDriveErrors() { ::SetErrorMode(old_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT old_;
};

HFONT MakeFont(const char* face, double points, bool bold, int dpiY) {
  return ::CreateFontA(-static_cast<int>(std::lround(points * dpiY / 72.0)), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

// An in-memory template of an empty dialog: the controls are made in WM_INITDIALOG, sized
// in twips for the screen's resolution.
std::vector<WORD> EmptyTemplate(DWORD style) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);  // + no menu, class, title
  DLGTEMPLATE* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
  t->style = style;
  t->cx = 100;
  t->cy = 100;
  return words;
}

std::string WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthA(hwnd);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n) + 1, '\0');
  int got = ::GetWindowTextA(hwnd, &text[0], n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

std::string Shown(const std::string& text) {
  std::string shown = text.substr(0, std::min(text.size(), text.find('\0')));
  return shown.size() > kShownChars ? shown.substr(0, kShownChars) : shown;
}

HWND MakeControl(HWND parent, DWORD exStyle, const char* cls, const char* text, DWORD style, int x, int y, int cx,
                 int cy, int id, HFONT font) {
  HWND hwnd =
      ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd && font) ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

// The window placed with the given client size, centred over its owner and kept on screen.
void PlaceDialog(HWND hwnd, HWND owner, int clientWidth, int clientHeight) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT area;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT over = area;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &over);
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  x = std::max<int>(area.left, std::min<int>(x, area.right - width));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
  ::SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ---- the folder listing ----------------------------------------------------------------

std::vector<std::string> Win32FolderListing::Drives() {
  std::vector<std::string> roots;
  char buffer[512] = {};
  DWORD n = ::GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
  if (n == 0 || n >= sizeof buffer) return roots;
  for (const char* p = buffer; *p; p += std::char_traits<char>::length(p) + 1) {
    std::string root = p;
    if (root.size() >= 2 && root[1] == ':') roots.push_back(ToUpperAscii(root.substr(0, 1)) + ":\\");
  }
  return roots;
}

std::string Win32FolderListing::CurrentFolder() {
  DWORD n = ::GetCurrentDirectoryA(0, nullptr);
  if (n == 0) return std::string();
  std::string folder(n, '\0');
  DWORD got = ::GetCurrentDirectoryA(n, &folder[0]);
  folder.resize(got < n ? got : 0);
  return folder;
}

std::string Win32FolderListing::CurrentFolderOn(const std::string& driveRoot) {
  if (driveRoot.size() != 3 || driveRoot[1] != ':') return driveRoot;
  // "E:" alone names the folder the process last stood in on E:.
  const std::string drive = driveRoot.substr(0, 2);
  char buffer[MAX_PATH * 2] = {};
  DWORD n = ::GetFullPathNameA(drive.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0 || n >= sizeof buffer) return driveRoot;
  return std::string(buffer, n);
}

bool Win32FolderListing::List(const std::string& folder, bool folders, std::vector<std::string>& names) {
  names.clear();
  QuietDriveErrors quiet;
  const std::string base = AddTrailingBackslash(folder);
  WIN32_FIND_DATAA found;
  UniqueFind search(::FindFirstFileA((base + "*").c_str(), &found));
  if (!search) {
    DWORD error = ::GetLastError();
    // Only an empty drive root has no entries at all, not even ".".
    DWORD attributes = ::GetFileAttributesA(base.c_str());
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return true;
    lastError_ = ErrorDescription(error);
    return false;
  }
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
  } while (::FindNextFileA(search.get(), &found));
  return true;
}

bool Win32FolderListing::ListFolders(const std::string& folder, std::vector<std::string>& names) {
  return List(folder, true, names);
}

bool Win32FolderListing::ListFiles(const std::string& folder, std::vector<std::string>& names) {
  return List(folder, false, names);
}

// ---- the dialog ------------------------------------------------------------------------

EntryEditorDialog::EntryEditorDialog(MessageBoxFunction messageBox, DialogOpenedHook opened)
    : messageBox_(std::move(messageBox)), opened_(std::move(opened)) {}

void EntryEditorDialog::Show(HWND owner, IEntryEditor& form) {
  form_ = &form;
  owner_ = owner;
  form.Attach(*this, folders_);
  std::vector<WORD> dialog = EmptyTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
  ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), owner,
                            &EntryEditorDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  form_ = nullptr;
}

INT_PTR CALLBACK EntryEditorDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  EntryEditorDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<EntryEditorDialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<EntryEditorDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self || !self->form_) return FALSE;
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the window system; the event is dropped.
    return FALSE;
  }
}

INT_PTR EntryEditorDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;  // the focus is set: the name box
    case kOpened:
      if (opened_) opened_(hwnd_);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
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
    default:
      return FALSE;
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
  SHFILEINFOA info = {};
  const UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
  if (late::SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags)) folderIcon_.reset(info.hIcon);
  info = {};
  if (late::SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON))
    openFolderIcon_.reset(info.hIcon);

  ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SetWindowTextA(hwnd_, "Add/Edit Entry");
  PlaceDialog(hwnd_, owner_, X(6600), Y(6975));
  CreateControls();
  form_->OnLoad();
  ::SetFocus(Control(IDC_TXTNAME));
  ::PostMessageA(hwnd_, kOpened, 0, 0);
}

void EntryEditorDialog::CreateControls() {
  HFONT font = static_cast<HFONT>(font_.get());
  HFONT bold = static_cast<HFONT>(boldFont_.get());
  const DWORD edge = WS_EX_CLIENTEDGE;
  // One line each: a text wider than its label is cut, never wrapped into half a line. Labels
  // lie under the boxes they touch ("Name:" reaches into the name box's top edge).
  const DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP | WS_CLIPSIBLINGS;
  // Made in tab order, which is also the order Tab walks them in.
  MakeControl(hwnd_, edge, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, X(120), Y(345), X(6375), Y(360), IDC_TXTNAME,
              static_cast<HFONT>(nameFont_.get()));
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
        form_->PickDrive(static_cast<int>(::SendMessageA(Control(IDC_DRIVE1), CB_GETCURSEL, 0, 0)));
      break;
    case IDC_DIR1:
      if (code == LBN_DBLCLK) form_->OpenFolderRow(static_cast<int>(::SendMessageA(Control(IDC_DIR1), LB_GETCURSEL, 0, 0)));
      break;
    case IDC_FILE1:
      if (code == LBN_SELCHANGE) form_->OnFileClick();
      break;
    default:
      break;
  }
}

void EntryEditorDialog::MeasureFolderRow(MEASUREITEMSTRUCT& item) const {
  int textHeight = 13;
  HDC dc = ::GetDC(hwnd_);
  if (dc) {
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    TEXTMETRICA metrics;
    if (::GetTextMetricsA(dc, &metrics)) textHeight = metrics.tmHeight;
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd_, dc);
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
  const std::string shown = Shown(row.text);
  ::DrawTextA(item.hDC, shown.c_str(), static_cast<int>(shown.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
}

int EntryEditorDialog::MsgBox(const std::string& text, int style, const std::string& title) {
  return messageBox_ ? messageBox_(hwnd_, text, style, title)
                     : ::MessageBoxA(hwnd_, text.c_str(), title.c_str(), static_cast<UINT>(style));
}

void EntryEditorDialog::SetCaption(const std::string& text) { ::SetWindowTextA(hwnd_, text.c_str()); }

std::string EntryEditorDialog::NameText() const { return WindowText(Control(IDC_TXTNAME)); }
void EntryEditorDialog::SetNameText(const std::string& text) { ::SetWindowTextA(Control(IDC_TXTNAME), text.c_str()); }
std::string EntryEditorDialog::CommandLineText() const { return WindowText(Control(IDC_TXTCOMMANDLINE)); }
void EntryEditorDialog::SetCommandLineText(const std::string& text) {
  ::SetWindowTextA(Control(IDC_TXTCOMMANDLINE), text.c_str());
}
std::string EntryEditorDialog::TypeText() const { return WindowText(Control(IDC_CMBTYPE)); }
void EntryEditorDialog::SetTypeText(const std::string& text) { ::SetWindowTextA(Control(IDC_CMBTYPE), text.c_str()); }

void EntryEditorDialog::AddTypeItem(const std::string& text) {
  ::SendMessageA(Control(IDC_CMBTYPE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(text).c_str()));
}

std::string EntryEditorDialog::DriveText(const std::string& root) {
  auto known = driveTexts_.find(root);
  if (known != driveTexts_.end()) return known->second;
  std::string text;
  if (root.size() == 3 && root[1] == ':') {
    text = ToLowerAscii(root.substr(0, 2));
    // Only drives that answer at once are asked for their label: no waiting on a
    // floppy or a disconnected share.
    UINT type = ::GetDriveTypeA(root.c_str());
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
      QuietDriveErrors quiet;
      char label[MAX_PATH + 1] = {};
      if (::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) && label[0])
        text += std::string(" [") + label + "]";
    }
  } else {
    text = root.size() > 1 && root.back() == '\\' ? root.substr(0, root.size() - 1) : root;
  }
  driveTexts_[root] = text;
  return text;
}

void EntryEditorDialog::ShowDrives(const std::vector<std::string>& roots, int selected) {
  HWND combo = Control(IDC_DRIVE1);
  ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& root : roots)
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(DriveText(root)).c_str()));
  ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void EntryEditorDialog::ShowFolders(const std::vector<FolderRow>& rows, int current) {
  HWND list = Control(IDC_DIR1);
  folderRows_ = rows;
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const FolderRow& row : rows)
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(row.text).c_str()));
  ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void EntryEditorDialog::ShowFiles(const std::vector<std::string>& names) {
  HWND list = Control(IDC_FILE1);
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names)
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(name).c_str()));
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

int EntryEditorDialog::SelectedFile() const {
  LRESULT index = ::SendMessageA(Control(IDC_FILE1), LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void EntryEditorDialog::SelectFile(int index) {
  ::SendMessageA(Control(IDC_FILE1), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string EntryEditorDialog::InputBox(const std::string& prompt, const std::string& title) {
  return ShowInputBox(hwnd_, prompt, title, opened_);
}

void EntryEditorDialog::Close() { ::EndDialog(hwnd_, 0); }

// ---- the input box ---------------------------------------------------------------------

namespace {

class InputBoxDialog {
 public:
  InputBoxDialog(HWND owner, std::string prompt, std::string title, const DialogOpenedHook& opened)
      : owner_(owner), prompt_(std::move(prompt)), title_(std::move(title)), opened_(opened) {}

  std::string Run() {
    std::vector<WORD> dialog = EmptyTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
    ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), owner_,
                              &InputBoxDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return answer_;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    InputBoxDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
      self = reinterpret_cast<InputBoxDialog*>(lParam);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<InputBoxDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    try {
      return self->Handle(message, wParam);
    } catch (...) {
      return FALSE;
    }
  }

  INT_PTR Handle(UINT message, WPARAM wParam) {
    switch (message) {
      case WM_INITDIALOG:
        OnInitDialog();
        return FALSE;
      case kOpened:
        if (opened_) opened_(hwnd_);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
          answer_ = WindowText(::GetDlgItem(hwnd_, IDC_INPUTTEXT));
          ::EndDialog(hwnd_, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
          answer_.clear();
          ::EndDialog(hwnd_, IDCANCEL);
        }
        return TRUE;
      default:
        return FALSE;
    }
  }

  void OnInitDialog() {
    const int dpiX = ScreenDpi(nullptr, LOGPIXELSX), dpiY = ScreenDpi(nullptr, LOGPIXELSY);
    auto x = [dpiX](double twips) { return TwipsToPixels(twips, dpiX); };
    auto y = [dpiY](double twips) { return TwipsToPixels(twips, dpiY); };
    font_.reset(MakeFont("MS Sans Serif", 8.25, false, dpiY));
    HFONT font = static_cast<HFONT>(font_.get());
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowTextA(hwnd_, title_.c_str());
    PlaceDialog(hwnd_, owner_, x(6000), y(2100));
    MakeControl(hwnd_, 0, "STATIC", prompt_.c_str(), SS_NOPREFIX, x(120), y(120), x(4440), y(1200), IDC_INPUTPROMPT,
                font);
    MakeControl(hwnd_, 0, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, x(4680), y(120), x(1215), y(375), IDOK, font);
    MakeControl(hwnd_, 0, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, x(4680), y(585), x(1215), y(375), IDCANCEL,
                font);
    HWND edit = MakeControl(hwnd_, WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, x(120), y(1560), x(5775),
                            y(315), IDC_INPUTTEXT, font);
    ::SetFocus(edit);
    ::PostMessageA(hwnd_, kOpened, 0, 0);
  }

  HWND owner_;
  HWND hwnd_ = nullptr;
  std::string prompt_, title_, answer_;
  const DialogOpenedHook& opened_;
  UniqueGdi font_;
};

}  // namespace

std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title,
                         const DialogOpenedHook& opened) {
  InputBoxDialog box(owner, prompt, title, opened);
  return box.Run();
}

}  // namespace carrydeck
