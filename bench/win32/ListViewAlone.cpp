// For reference: an owner-data list view alone, in a window of the launcher's size, filled
// with as many rows as its command line says. Built twice: with the launcher's manifest
// (common controls 6, visual styles) and without one. What any program showing such a list
// pays before doing anything else.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kClassName[] = "CarrydeckListView";
HWND gList = nullptr;

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_CREATE: {
      RECT client;
      ::GetClientRect(hwnd, &client);
      gList = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA,
                                0, 0, client.right, client.bottom, hwnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
      const char* headers[] = {"Name", "Type", "Target File", "Command Line Parameters"};
      for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(headers[i]);
        column.cx = 170;
        ::SendMessageA(gList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
      }
      return gList ? 0 : -1;
    }
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
      if (info->hdr.code == LVN_GETDISPINFOA && (info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 0)
        std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "Row %d, column %d",
                      info->item.iItem + 1, info->item.iSubItem + 1);
      return 0;
    }
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rows = std::atoi(commandLine);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WndProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExA(&wc)) return 1;
  HWND hwnd = ::CreateWindowExA(0, kClassName, "List view", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 731, 394,
                                nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ListView_SetItemCountEx(gList, rows > 0 ? rows : 0, LVSICF_NOSCROLL);
  ::ShowWindow(hwnd, showCommand);
  ::UpdateWindow(hwnd);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
