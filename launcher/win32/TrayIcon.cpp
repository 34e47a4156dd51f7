#include "launcher/win32/TrayIcon.h"

#include <cstring>

#include "common/win32/DelayLoad.h"

namespace carrydeck {

void TrayIcon::AddTrayIcon(HWND window, HICON icon, const char* tip) {
  PrepareTrayIcon(window, icon, tip);
  added_ = late::Shell_NotifyIconA(NIM_ADD, &TrayIconData) != FALSE;
}

void TrayIcon::PrepareTrayIcon(HWND window, HICON icon, const char* tip) {
  std::memset(&TrayIconData, 0, sizeof TrayIconData);
  TrayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  TrayIconData.hWnd = window;
  TrayIconData.uID = kTrayIconId;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = WM_TRAYICON;
  TrayIconData.hIcon = icon;
  // The first form of the record holds 64 tip characters, NUL included.
  std::strncpy(TrayIconData.szTip, tip, sizeof TrayIconData.szTip - 1);
  TrayIconData.szTip[sizeof TrayIconData.szTip - 1] = '\0';
}

void TrayIcon::ReAddTrayIcon() {
  if (TrayIconData.hWnd) added_ = late::Shell_NotifyIconA(NIM_ADD, &TrayIconData) != FALSE;
}

void TrayIcon::RemoveTrayIcon() {
  if (TrayIconData.hWnd) late::Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  added_ = false;
}

}  // namespace carrydeck
