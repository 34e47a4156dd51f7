// A picture of another size made into a list image.
#pragma once

#include <cstdint>
#include <vector>

#include "launcher/IconPorts.h"

namespace carrydeck {

// Larger pictures are refused: the sums below stay far inside 64 bits.
constexpr int kMaxPictureSide = 1024;

// `pixels`: width x height, top row first, straight alpha as in IconImage. Every list pixel
// takes the mean of the part of the picture it covers, weighted by how much of each picture
// pixel it covers and by that pixel's alpha: a 24-pixel icon keeps its edges and thin lines
// at 16 pixels instead of losing every third row. A 16 x 16 picture comes back unchanged; a
// size that does not match the pixels gives an empty image.
IconImage ScaleToIcon(const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace carrydeck
