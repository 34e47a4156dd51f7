#include "launcher/win32/TrayIcon.h"

#include <cstring>
#include <cwchar>

#include "common/win32/DelayLoad.h"

namespace carrydeck {

void TrayIcon::AddTrayIcon(HWND window, HICON icon, const wchar_t* tip) {
  PrepareTrayIcon(window, icon, tip);
  added_ = late::Shell_NotifyIconW(NIM_ADD, &TrayIconData) != FALSE;
}

void TrayIcon::PrepareTrayIcon(HWND window, HICON icon, const wchar_t* tip) {
  std::memset(&TrayIconData, 0, sizeof TrayIconData);
  TrayIconData.cbSize = NOTIFYICONDATAW_V1_SIZE;
  TrayIconData.hWnd = window;
  TrayIconData.uID = kTrayIconId;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = WM_TRAYICON;
  TrayIconData.hIcon = icon;
  // The first form of the record holds 64 tip characters, NUL included.
  constexpr size_t kTipChars = sizeof TrayIconData.szTip / sizeof TrayIconData.szTip[0];
  std::wcsncpy(TrayIconData.szTip, tip, kTipChars - 1);
  TrayIconData.szTip[kTipChars - 1] = L'\0';
}

void TrayIcon::ReAddTrayIcon() {
  if (TrayIconData.hWnd) added_ = late::Shell_NotifyIconW(NIM_ADD, &TrayIconData) != FALSE;
}

void TrayIcon::RemoveTrayIcon() {
  if (TrayIconData.hWnd) late::Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
  added_ = false;
}

}  // namespace carrydeck
