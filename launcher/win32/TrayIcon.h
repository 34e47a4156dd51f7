// The notification-area icon of the main window.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/win32/WideText.h"

namespace carrydeck {

// The icon's callbacks arrive as this private message, the mouse message in lParam, so an
// ordinary mouse move over the window can never pass for a click on the icon.
constexpr UINT WM_TRAYICON = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

// The first, smallest form of the record: understood by every Windows version.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V1_SIZE == 152, "the first form of the tray record is 152 bytes on x86");
#endif

class TrayIcon {
 public:
  // tip: the window's caption at the time of adding.
  void AddTrayIcon(HWND window, HICON icon, const wchar_t* tip);
  // Fills the record as AddTrayIcon does, without telling the shell yet: ReAddTrayIcon
  // shows it later, with this tip.
  void PrepareTrayIcon(HWND window, HICON icon, const wchar_t* tip);
  void RemoveTrayIcon();
  // After a shell restart: the same record again, tip included.
  void ReAddTrayIcon();
  bool added() const { return added_; }
  std::string tip() const { return Utf8(TrayIconData.szTip); }
  bool everAdded() const { return TrayIconData.hWnd != nullptr; }

 private:
  NOTIFYICONDATAW TrayIconData{};
  bool added_ = false;
};

}  // namespace carrydeck
