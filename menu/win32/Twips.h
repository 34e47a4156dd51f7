// Window measures: the logic speaks twips (1/1440 inch), the window system pixels.
#pragma once

#include <cmath>

namespace carrydeck {

// A size the window system would refuse or choke on: negative, absurd, not a number.
inline bool UsableTwips(double twips) { return twips >= 0 && twips <= 1e6; }

inline int TwipsToPixels(double twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

inline double PixelsToTwips(int pixels, int dpi) { return pixels * 1440.0 / dpi; }

}  // namespace carrydeck
