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
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);
  // No WS_VISIBLE, and nothing ever shows it.
  return ::CreateWindowExA(0, kClassName, kRemoveWindowCaption, WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT,
                           CW_USEDEFAULT, 240, 90, nullptr, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK RemoveWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* window = static_cast<RemoveWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    window->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<RemoveWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window) {
    switch (message) {
      case WM_CREATE:
        window->OnCreate();
        return 0;
      case WM_NCDESTROY:
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        window->hwnd_ = nullptr;
        break;
      default:
        break;
    }
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void RemoveWindow::OnCreate() {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE));
  HWND label = ::CreateWindowExA(0, "STATIC", kRemoveWindowText, WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 20, 210,
                                 20, hwnd_, nullptr, instance, nullptr);
  font_.reset(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
  if (label && font_) ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

}  // namespace carrydeck::remove
