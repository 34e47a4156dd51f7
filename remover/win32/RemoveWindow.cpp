#include "remover/win32/RemoveWindow.h"

namespace carrydeck::remove {

namespace {

constexpr char kClassName[] = "CarrydeckRemove";

}  // namespace

RemoveWindow::~RemoveWindow() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool RemoveWindow::Create(HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WindowBase::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);
  // No WS_VISIBLE, and nothing ever shows it.
  return CreateOwnWindow(0, kClassName, kRemoveWindowCaption, WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT,
                         240, 90, nullptr, nullptr, instance) != nullptr;
}

LRESULT RemoveWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    OnCreate();
    return 0;
  }
  return DefaultProc(message, wParam, lParam);
}

void RemoveWindow::OnCreate() {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));
  HWND label = ::CreateWindowExA(0, "STATIC", kRemoveWindowText, WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 20, 210, 20,
                                 hwnd_, nullptr, instance, nullptr);
  font_.reset(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
  if (label && font_) ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

}  // namespace carrydeck::remove
