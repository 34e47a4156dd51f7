// The removal tool's only window. It exists while the tool works and is never shown: the
// tool tells the user nothing (the system reports the ejection itself).
#pragma once

#include <windows.h>

#include "common/win32/Handle.h"

namespace carrydeck::remove {

inline constexpr char kRemoveWindowCaption[] = "Removing Device...";
inline constexpr char kRemoveWindowText[] = "Please Wait...";

class RemoveWindow {
 public:
  RemoveWindow() = default;
  ~RemoveWindow();
  RemoveWindow(const RemoveWindow&) = delete;
  RemoveWindow& operator=(const RemoveWindow&) = delete;

  // Creates the window and its label, hidden; false when the window cannot be made.
  bool Create(HINSTANCE instance);
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void OnCreate();

  HWND hwnd_ = nullptr;
  UniqueGdi font_;
};

}  // namespace carrydeck::remove
