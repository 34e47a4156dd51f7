// Window measures: the logic speaks twips (1/1440 inch), the window system pixels.
#pragma once

#include <windows.h>

#include <cmath>

#include "common/win32/Handle.h"

namespace carrydeck {

// A size the window system would refuse or choke on: negative, absurd, not a number.
inline bool UsableTwips(double twips) { return twips >= 0 && twips <= 1e6; }

inline int TwipsToPixels(double twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

inline double PixelsToTwips(int pixels, int dpi) { return pixels * 1440.0 / dpi; }

// The screen's DPI across (LOGPIXELSX) or down (LOGPIXELSY), 96 when it does not say. Fixed
// for the life of a system-aware program, so a window asks once and keeps the answer: every
// layout step converts twips.
inline int ScreenDpi(HWND window, int direction) {
  WindowDc dc(window);
  int dpi = dc ? ::GetDeviceCaps(dc.get(), direction) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace carrydeck
