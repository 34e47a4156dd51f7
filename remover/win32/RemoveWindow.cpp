#include "remover/win32/RemoveWindow.h"

#include "common/win32/WideText.h"

namespace carrydeck::remove {

namespace {

constexpr char kClassName[] = "CarrydeckRemove";
constexpr wchar_t kWideClassName[] = L"CarrydeckRemove";

}  // namespace

RemoveWindow::~RemoveWindow() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

bool RemoveWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WindowBase::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWideClassName;
  ::RegisterClassExW(&windowClass);
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
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  HWND label = ::CreateWindowExW(0, L"STATIC", Wide(kRemoveWindowText).c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 20, 210, 20,
                                 hwnd_, nullptr, instance, nullptr);
  font_.reset(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  if (label && font_) ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

}  // namespace carrydeck::remove
