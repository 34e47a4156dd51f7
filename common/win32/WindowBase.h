// One trampoline for every window and dialog of ours. The object rides along with the
// creation, is kept in the window's own slot while the window lives, and gets each message
// in between through OnMessage. Nothing unwinds through the window system: a handler that
// throws drops its message.
#pragma once

#include <windows.h>

#include <vector>

#include "common/win32/WideText.h"

namespace carrydeck {

// A window of a class registered with WindowBase::WindowProc. Before WM_NCCREATE (a
// top-level window gets WM_GETMINMAXINFO first) and after WM_NCDESTROY the system's default
// handling answers.
class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  WindowBase() = default;
  // The derived class destroys its window in its own destructor, while the handlers the
  // destruction's messages reach still exist.
  ~WindowBase() = default;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
      result = self->OnMessage(message, wParam, lParam);
    } catch (...) {
      result = 0;
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  // CreateWindowExW with this object as the new window's; the names in UTF-8.
  HWND CreateOwnWindow(DWORD exStyle, const char* className, const char* caption, DWORD style, int x, int y, int width,
                       int height, HWND parent, HMENU menu, HINSTANCE instance) {
    return ::CreateWindowExW(exStyle, Wide(className).c_str(), Wide(caption ? caption : "").c_str(), style, x, y, width,
                             height, parent, menu, instance, static_cast<WindowBase*>(this));
  }

  // Every message from WM_NCCREATE to WM_NCDESTROY, both included.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
};

// A modal dialog of ours: an empty dialog whose controls the derived class makes at
// WM_INITDIALOG. Messages before WM_INITDIALOG and after WM_NCDESTROY get the dialog
// manager's own handling (FALSE).
class DialogBase {
 public:
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

 protected:
  DialogBase() = default;
  ~DialogBase() = default;

  // Shows the dialog, of the given window style, over owner until it ends; EndDialog's
  // result, -1 when it could not be made.
  INT_PTR RunModal(HWND owner, DWORD style) {
    // A template without menu, class or title; 100 x 100 units until the dialog places itself.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    DLGTEMPLATE* empty = reinterpret_cast<DLGTEMPLATE*>(words.data());
    empty->style = style;
    empty->cx = 100;
    empty->cy = 100;
    INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), empty, owner, &DialogBase::DialogProc,
                                               reinterpret_cast<LPARAM>(static_cast<DialogBase*>(this)));
    hwnd_ = nullptr;
    return result;
  }

  // Every message from WM_INITDIALOG to WM_NCDESTROY, both included; TRUE when handled.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
      self = reinterpret_cast<DialogBase*>(lParam);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
      result = self->OnMessage(message, wParam, lParam);
    } catch (...) {
      result = FALSE;
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }
};

}  // namespace carrydeck
