#include "launcher/win32/DialogParts.h"

#include <algorithm>
#include <cmath>

#include "common/win32/WideText.h"

namespace carrydeck {

HFONT MakeFont(const char* face, double points, bool bold, int dpiY) {
  return ::CreateFontW(-static_cast<int>(std::lround(points * dpiY / 72.0)), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, Wide(face).c_str());
}

HWND MakeControl(HWND parent, DWORD exStyle, const char* cls, const char* text, DWORD style, int x, int y, int cx,
                 int cy, int id, HFONT font) {
  HWND hwnd =
      ::CreateWindowExW(exStyle, Wide(cls).c_str(), Wide(text ? text : "").c_str(), WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd && font) ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

void PlaceDialog(HWND hwnd, HWND owner, int clientWidth, int clientHeight) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT area;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT over = area;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &over);
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  x = std::max<int>(area.left, std::min<int>(x, area.right - width));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
  ::SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  if (n <= 0) return std::string();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  int got = ::GetWindowTextW(hwnd, &text[0], n + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return Utf8(text);
}

}  // namespace carrydeck
