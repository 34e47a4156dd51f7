#include "launcher/IconScale.h"

#include <algorithm>

namespace carrydeck {

IconImage ScaleToIcon(const std::vector<uint32_t>& pixels, int width, int height) {
  IconImage image;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    return image;
  // Lengths in sixteenths of a picture pixel: list pixel t spans [t * size, (t + 1) * size),
  // picture pixel s spans [16 s, 16 s + 16); a list pixel covers size x size of them in all.
  const auto overlap = [](int t, int s, int size) {
    return std::min((t + 1) * size, (s + 1) * kIconSize) - std::max(t * size, s * kIconSize);
  };
  const uint64_t whole = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  for (int ty = 0; ty < kIconSize; ++ty)
    for (int tx = 0; tx < kIconSize; ++tx) {
      uint64_t alphaSum = 0, colourSum[3] = {0, 0, 0};
      for (int sy = ty * height / kIconSize; sy * kIconSize < (ty + 1) * height; ++sy)
        for (int sx = tx * width / kIconSize; sx * kIconSize < (tx + 1) * width; ++sx) {
          const uint32_t p = pixels[static_cast<size_t>(sy) * static_cast<size_t>(width) + static_cast<size_t>(sx)];
          const uint64_t weight =
              static_cast<uint64_t>(overlap(tx, sx, width)) * static_cast<uint64_t>(overlap(ty, sy, height));
          const uint64_t alpha = weight * (p >> 24);
          alphaSum += alpha;
          for (int ch = 0; ch < 3; ++ch) colourSum[ch] += alpha * ((p >> (8 * ch)) & 0xFF);
        }
      const uint32_t alpha = static_cast<uint32_t>((alphaSum + whole / 2) / whole);
      if (alpha == 0) continue;  // fully transparent: all zero
      uint32_t pixel = alpha << 24;
      for (int ch = 0; ch < 3; ++ch)
        pixel |= static_cast<uint32_t>((colourSum[ch] + alphaSum / 2) / alphaSum) << (8 * ch);
      image.pixels[static_cast<size_t>(ty * kIconSize + tx)] = pixel;
    }
  return image;
}

}  // namespace carrydeck
