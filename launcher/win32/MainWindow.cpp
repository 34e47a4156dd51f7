#include "launcher/win32/MainWindow.h"

#include <commctrl.h>

#include <vector>

#include "common/win32/WideText.h"
#include "launcher/win32/DialogParts.h"
#include "launcher/win32/resource.h"
#include "launcher/win32/Twips.h"
#include "launcher/win32/Win32Icons.h"

namespace carrydeck {

namespace {

constexpr char kClassName[] = "CarrydeckMain";
constexpr UINT_PTR kLayoutTimer = 1;
constexpr UINT_PTR kDeferredStartTimer = 2;
// Soon after the first paint: the rest of the start waits until the list is on screen.
constexpr UINT kDeferredStartDelayMs = 10;
// The first size, the default one of the settings (10960 x 5910 twips at 96 DPI), until they
// give theirs: a window made at its size lays the list out once.
constexpr int kFirstWidth = 731;
constexpr int kFirstHeight = 394;
// Posted by EndProgram: the window is destroyed from the message loop, never from inside a
// control's notification or a menu that is still on the stack.
constexpr UINT WM_ENDPROGRAM = WM_APP + 3;

UINT Id(Command item) { return static_cast<UINT>(item); }

void Append(HMENU menu, Command item, const char* caption) {
  ::AppendMenuW(menu, MF_STRING, Id(item), Wide(caption).c_str());
}

}  // namespace

MainWindow::MainWindow(IFileSystem& files) : list_(files) {}

MainWindow::~MainWindow() { Destroy(); }

void MainWindow::Destroy() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MainWindow::Create() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WindowBase::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = icon_;
  wc.hIconSm = icon_;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  const std::wstring className = Wide(kClassName);
  wc.lpszClassName = className.c_str();
  ::RegisterClassExW(&wc);  // already registered on a second window: fine

  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  // The bar goes in with the window: set afterwards, it would lay the frame out again.
  BuildMenus();
  hwnd_ = CreateOwnWindow(0, kClassName, "Carrydeck", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, kFirstWidth, kFirstHeight,
                          nullptr, menuBar_, instance);
  if (!hwnd_) {
    // A window made and refused by its creation took its menu with it.
    if (::IsMenu(menuBar_)) ::DestroyMenu(menuBar_);
    menuBar_ = popup_ = nullptr;
    return false;
  }
  return true;
}

void MainWindow::Start(Launcher& logic, int showCommand) {
  logic_ = &logic;
  starting_ = true;
  // Nothing of the list is drawn until it is filled and laid out.
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  // The creation's own resize came before the logic existed: lay the list out now, so the
  // settings measure column shares against the list's real width.
  OnSize();
  logic_->OnLoad();
  logic_->OnResize();
  ::SetTimer(hwnd_, kLayoutTimer, 100, nullptr);  // keeps the column shares current
  ::SendMessageW(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  ::ShowWindow(hwnd_, showCommand);
  ::UpdateWindow(hwnd_);
  list_.BufferPaints();
  // Key releases go to the list itself; it tells us of them here. Only from now: the hook
  // costs every message the list gets a look-up, and the start sends it hundreds, while no
  // key can reach a window that is not on screen yet.
  ::SetWindowSubclass(list_.hwnd(), &MainWindow::ListSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
  starting_ = false;
  // The tray icon prepared during the start, and the icon load, follow once the window is
  // on screen with its rows and answering.
  EnableDeferredStart(true);
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Once ending, no command, list event or close request starts anything more.
  if (ending_ && (message == WM_COMMAND || message == WM_NOTIFY || message == WM_CLOSE || message == WM_TRAYICON ||
                  message == WM_TIMER || message == WM_ICONSREADY))
    return 0;
  switch (message) {
    case WM_CREATE: return OnCreate() ? 0 : -1;
    case WM_SIZE: OnSize(); return 0;
    case WM_COMMAND: {
      UINT id = LOWORD(wParam);
      if (id >= Id(Command::Run) && id <= Id(Command::Exit) && logic_) {
        logic_->OnCommand(static_cast<Command>(id));
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      LRESULT result = 0;
      if (list_.OnNotify(header, result)) return result;
      if (header->hwndFrom == list_.hwnd() && logic_) {
        switch (header->code) {
          case LVN_COLUMNCLICK:
            logic_->OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem + 1);
            return 0;
          case NM_DBLCLK: logic_->OnListDoubleClick(); return 0;
          case NM_CLICK:  // sent when the button is released
            logic_->OnListMouseUp(1);
            return 0;
          case NM_RCLICK: logic_->OnListMouseUp(2); return 1;  // the context menu is ours
          default: break;
        }
      }
      break;
    }
    case WM_CLOSE:
      // Every close request asks its question; Cancel keeps the launcher.
      if (logic_ && logic_->OnCloseRequest()) return 0;
      ::DestroyWindow(hwnd_);
      return 0;
    case WM_TIMER:
      if (wParam == kLayoutTimer && logic_) logic_->OnLayoutTimer();
      if (wParam == kDeferredStartTimer) {
        // Not straight after the paint: the shell library it loads would keep the window
        // from answering for that long.
        if (trayPending_) {
          trayPending_ = false;
          tray_.ReAddTrayIcon();
        }
        if (logic_) logic_->OnDeferredStart();
      }
      return 0;
    case WM_TRAYICON: OnTrayIcon(lParam); return 0;
    case WM_ENDPROGRAM: ::DestroyWindow(hwnd_); return 0;
    case WM_ICONSREADY:
      if (logic_) logic_->OnIconsReady();
      return 0;
    case WM_DESTROY:
      // The icon worker ends before the window and its image list go.
      if (logic_) logic_->StopIconPass();
      ::KillTimer(hwnd_, kLayoutTimer);
      ::KillTimer(hwnd_, kDeferredStartTimer);
      ::RemoveWindowSubclass(list_.hwnd(), &MainWindow::ListSubclass, 1);
      tray_.RemoveTrayIcon();
      ::PostQuitMessage(0);
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        // The shell restarted: without this a hidden launcher would be out of reach.
        tray_.ReAddTrayIcon();
        return 0;
      }
      break;
  }
  return DefaultProc(message, wParam, lParam);
}

int MainWindow::Dpi() const {
  if (dpi_ == 0) dpi_ = ScreenDpi(hwnd_, LOGPIXELSY);
  return dpi_;
}

bool MainWindow::OnCreate() {
  if (!list_.Create(hwnd_, IDC_LSTAPP)) return false;
  status_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), ::GetModuleHandleW(nullptr),
                              nullptr);
  if (!status_) return false;
  int dpi = Dpi();
  statusFont_.reset(MakeFont("MS Sans Serif", 8.25, false, dpi));
  ::SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_.get()), TRUE);
  std::string ignored;  // a list without its own font keeps the system's
  list_.SetFontSize(8, ignored);
  return true;
}

void MainWindow::BuildMenus() {
  menuBar_ = ::CreateMenu();
  popup_ = ::CreatePopupMenu();
  Append(popup_, Command::Run, "Run");
  Append(popup_, Command::BrowseEntryFolder, "Browse Directory");
  Append(popup_, Command::BrowseDriveRoot, "Browse Root Directory");
  Append(popup_, Command::OpenCommandPrompt, "Open Command Prompt Here");
  ::AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
  Append(popup_, Command::CopyEntryPath, "Copy entry to clipboard");
  Append(popup_, Command::CopyShortPath, "Copy entry to clipboard (DOS format)");
  ::AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
  Append(popup_, Command::AddEntry, "Add Entry");
  Append(popup_, Command::EditEntry, "Edit Entry");
  Append(popup_, Command::DeleteEntry, "Delete Entry\tDel");
  Append(popup_, Command::RefreshList, "Refresh List\tF5");
  ::AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
  Append(popup_, Command::AfterRunDoNothing, "On run: Nothing");
  Append(popup_, Command::AfterRunMinimize, "On run: Minimize to tray");
  Append(popup_, Command::AfterRunClose, "On run: Close");

  HMENU settings = ::CreatePopupMenu();
  Append(settings, Command::ShowIcons, "Show Icons");
  Append(settings, Command::ShowGridLines, "Show Gridlines");
  Append(settings, Command::ShowBackground, "Show Background");
  HMENU fonts = ::CreatePopupMenu();
  Append(fonts, Command::Font8, "8");
  Append(fonts, Command::Font10, "10");
  Append(fonts, Command::Font12, "12");
  Append(fonts, Command::Font14, "14");
  Append(fonts, Command::Font16, "16");
  Append(fonts, Command::Font18, "18");
  Append(fonts, Command::Font20, "20");
  ::AppendMenuW(settings, MF_POPUP, reinterpret_cast<UINT_PTR>(fonts), L"Font Size");
  ::AppendMenuW(settings, MF_SEPARATOR, 0, nullptr);
  Append(settings, Command::RebuildIcons, "Rebuild Icons");
  Append(settings, Command::SaveSettings, "Save Settings");

  HMENU help = ::CreatePopupMenu();
  Append(help, Command::About, "About");

  ::AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), L"Carrydeck");
  ::AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), L"Settings");
  ::AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");

  trayMenu_.reset(::CreateMenu());
  trayPopup_ = ::CreatePopupMenu();
  Append(trayPopup_, Command::OpenMenu, "Open Carrydeck");
  Append(trayPopup_, Command::Exit, "Exit");
  ::AppendMenuW(trayMenu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(trayPopup_), L"Popup Menu");

  ACCEL keys[] = {{FVIRTKEY, VK_DELETE, static_cast<WORD>(Id(Command::DeleteEntry))},
                  {FVIRTKEY, VK_F5, static_cast<WORD>(Id(Command::RefreshList))}};
  accel_.reset(::CreateAcceleratorTableW(keys, 2));
}

void MainWindow::OnSize() {
  if (!status_ || !list_.hwnd()) return;
  ::SendMessageW(status_, WM_SIZE, 0, 0);
  if (logic_) logic_->OnResize();
}

LRESULT CALLBACK MainWindow::ListSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) noexcept {
  LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
  auto* window = reinterpret_cast<MainWindow*>(self);
  try {
    if (message == WM_KEYUP && window->logic_) window->logic_->OnListKeyUp();
  } catch (...) {
  }
  return result;
}

void MainWindow::RestoreWindow() {
  ::SetForegroundWindow(hwnd_);
  ::ShowWindow(hwnd_, SW_RESTORE);
  // The normal state, also for a window that was maximised before it went to the tray: the
  // restore out of the tray brings that one back maximised.
  if (::IsZoomed(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
  ::ShowWindow(hwnd_, SW_SHOW);
}

void MainWindow::SetState(WindowState state) {
  ::ShowWindow(hwnd_, state == WindowState::Minimized   ? SW_MINIMIZE
                      : state == WindowState::Maximized ? SW_MAXIMIZE
                                                        : SW_RESTORE);
}

double MainWindow::ClientWidthTwips() const {
  RECT r;
  return ::GetClientRect(hwnd_, &r) ? ToTwips(r.right - r.left) : 0.0;
}

double MainWindow::ClientHeightTwips() const {
  RECT r;
  return ::GetClientRect(hwnd_, &r) ? ToTwips(r.bottom - r.top) : 0.0;
}

double MainWindow::StatusHeightTwips() const {
  RECT r;
  return ::GetWindowRect(status_, &r) ? ToTwips(r.bottom - r.top) : 0.0;
}

double MainWindow::StatusWidthTwips() const {
  RECT r;
  return ::GetWindowRect(status_, &r) ? ToTwips(r.right - r.left) : 0.0;
}

void MainWindow::HideWindow() { ::ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::ShowContextMenu() {
  POINT at;
  ::GetCursorPos(&at);
  ::TrackPopupMenu(popup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

bool MainWindow::TranslateOwnKeys(MSG& msg) {
  // Del and F5 are the main window's: a key typed into the entry editor is the editor's.
  if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
  return ::TranslateAcceleratorW(hwnd_, accel_.get(), &msg) != 0;
}

void MainWindow::EndProgram() {
  // No question and no saving: the window simply goes, and with it the message loop.
  if (!hwnd_ || ending_) return;
  ending_ = true;
  ::PostMessageW(hwnd_, WM_ENDPROGRAM, 0, 0);
}

void MainWindow::OnTrayIcon(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP:
      if (logic_) logic_->RestoreFromTray();
      break;
    case WM_RBUTTONUP: {
      ::SetForegroundWindow(hwnd_);
      POINT at;
      ::GetCursorPos(&at);
      ::TrackPopupMenu(trayPopup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
      ::PostMessageW(hwnd_, WM_NULL, 0, 0);  // lets the menu close when the user clicks elsewhere
      break;
    }
    default: break;
  }
}

int MainWindow::ShowMessageBox(HWND owner, const MessageBoxRequest& request) {
  return ::MessageBoxW(owner, Wide(request.text).c_str(), Wide(request.title).c_str(), static_cast<UINT>(request.style));
}

int MainWindow::MsgBox(const std::string& text, int style, const std::string& title) {
  return ShowMessageBox(hwnd_, MessageBoxRequest{text, title, style});
}

void MainWindow::ShowEntryEditorDialog(IEntryEditor& editor) {
  // The dialog's boxes sit over the dialog, and go the same way as the window's.
  EntryEditorDialog dialog(
      [this](HWND owner, const std::string& text, int style, const std::string& title) {
        return ShowMessageBox(owner, MessageBoxRequest{text, title, style});
      },
      [this](HWND opened) { OnDialogOpened(opened); });
  dialog.Show(hwnd_, editor);
}

void MainWindow::SetStatus(const std::string& text) {
  ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

std::string MainWindow::Status() const {
  LRESULT info = ::SendMessageW(status_, SB_GETTEXTLENGTHW, 0, 0);
  std::vector<wchar_t> buffer(LOWORD(info) + 1, L'\0');
  ::SendMessageW(status_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer.data()));
  return Utf8(buffer.data());
}

void MainWindow::SetCaption(const std::string& text) { ::SetWindowTextW(hwnd_, Wide(text).c_str()); }

std::string MainWindow::Caption() const { return WindowText(hwnd_); }

void MainWindow::SetMenuCaption(Command item, const std::string& caption) {
  std::wstring text = Wide(caption);
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text.data();
  HMENU owner = (item == Command::OpenMenu || item == Command::Exit) ? trayMenu_.get() : menuBar_;
  ::SetMenuItemInfoW(owner, Id(item), FALSE, &info);
}

std::string MainWindow::MenuCaption(Command item) const {
  HMENU owner = (item == Command::OpenMenu || item == Command::Exit) ? trayMenu_.get() : menuBar_;
  wchar_t buffer[512] = {};
  ::GetMenuStringW(owner, Id(item), buffer, 512, MF_BYCOMMAND);
  return Utf8(buffer);
}

void MainWindow::SetChecked(Command item, bool checked) {
  ::CheckMenuItem(menuBar_, Id(item), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

double MainWindow::HeightTwips() const {
  RECT r;
  return ::GetWindowRect(hwnd_, &r) ? ToTwips(r.bottom - r.top) : 0.0;
}

double MainWindow::WidthTwips() const {
  RECT r;
  return ::GetWindowRect(hwnd_, &r) ? ToTwips(r.right - r.left) : 0.0;
}

double MainWindow::ToTwips(int pixels) const { return PixelsToTwips(pixels, Dpi()); }

bool MainWindow::SetOuterSize(int width, int height) {
  // The stored size is most often the size the window already has.
  RECT r;
  if (::GetWindowRect(hwnd_, &r) && r.right - r.left == width && r.bottom - r.top == height) return true;
  return ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool MainWindow::SetHeightTwips(double twips) {
  if (!UsableTwips(twips)) return false;
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  return SetOuterSize(r.right - r.left, TwipsToPixels(twips, Dpi()));
}

bool MainWindow::SetWidthTwips(double twips) {
  if (!UsableTwips(twips)) return false;
  RECT r;
  ::GetWindowRect(hwnd_, &r);
  return SetOuterSize(TwipsToPixels(twips, Dpi()), r.bottom - r.top);
}

WindowState MainWindow::State() const {
  if (::IsIconic(hwnd_)) return WindowState::Minimized;
  if (::IsZoomed(hwnd_)) return WindowState::Maximized;
  return WindowState::Normal;
}

void MainWindow::AddTrayIcon() {
  // Back after a cancelled exit: the same record, so the tip stays "Carrydeck".
  if (tray_.everAdded()) {
    if (trayPending_) return;
    tray_.ReAddTrayIcon();
    return;
  }
  wchar_t caption[64] = {};
  ::GetWindowTextW(hwnd_, caption, 64);
  if (starting_) {
    tray_.PrepareTrayIcon(hwnd_, icon_, caption);
    trayPending_ = true;
    return;
  }
  tray_.AddTrayIcon(hwnd_, icon_, caption);
}

void MainWindow::RemoveTrayIcon() {
  trayPending_ = false;
  tray_.RemoveTrayIcon();
}

void MainWindow::EnableDeferredStart(bool enabled) {
  if (enabled)
    ::SetTimer(hwnd_, kDeferredStartTimer, kDeferredStartDelayMs, nullptr);
  else
    ::KillTimer(hwnd_, kDeferredStartTimer);
}

int RunMessageLoop(MainWindow& window) {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window.TranslateOwnKeys(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace carrydeck
