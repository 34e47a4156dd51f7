// The removal tool's only window. It exists while the tool works and is never shown: the
// tool tells the user nothing (the system reports the ejection itself).
#pragma once

#include <windows.h>

#include "common/win32/Handle.h"
#include "common/win32/WindowBase.h"

namespace carrydeck::remove {

inline constexpr char kRemoveWindowCaption[] = "Removing Device...";
inline constexpr char kRemoveWindowText[] = "Please Wait...";

class RemoveWindow : public WindowBase {
 public:
  RemoveWindow() = default;
  ~RemoveWindow();
  RemoveWindow(const RemoveWindow&) = delete;
  RemoveWindow& operator=(const RemoveWindow&) = delete;

  // Creates the window and its label, hidden; false when the window cannot be made.
  bool Create(HINSTANCE instance);

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreate();

  UniqueGdi font_;
};

}  // namespace carrydeck::remove
